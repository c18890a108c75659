#include "engine_fixture.h"

#include "engine/note_path.h"

namespace tastarion::testing {

void PianoTest::note_key_down_(uint32_t p) {
  note_key_down(piano, p);
}
void PianoTest::note_key_up_(uint32_t p) {
  note_key_up(piano, p);
}

}  // namespace tastarion::testing
