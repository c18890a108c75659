#include "engine/player_text.h"

#include <gtest/gtest.h>

#include <map>

namespace tastarion {
namespace {

TEST(PlayerTextTest, ValuesFillTheirPlacesOnceAndTheSystemsWordsStayAsTheyAre) {
  // A file name with percent signs of its own, and a reason in the system's words.
  PlayerText text(PLAYER_TEXT("Test", "Could not save \"%1\": %2."), {"take%2%1.mid", "No space"});
  text.add_as_is("\n100% full");
  EXPECT_EQ(text.english(), "Could not save \"take%2%1.mid\": No space.\n100% full");

  // A place without its value, and a percent sign that is no place, stay.
  EXPECT_EQ(fill_in("%1 and %2 at 50%; %0 %", {"A"}), "A and %2 at 50%; %0 %");
  EXPECT_EQ(fill_in("%2, before %1", {"first", "second"}), "second, before first");
}

TEST(PlayerTextTest, ALookupTranslatesTheMarkedPiecesByTheirContextOnly) {
  const std::map<std::pair<std::string, std::string>, std::string> german = {
      {{"Piano", "%1 went away."}, "%1 ist verschwunden."},
      {{"Piano", " Device 0 (%1) plays now."}, " Jetzt spielt Gerät 0 (%1)."},
      {{"Other", "went away."}, "wrong context"}};
  const TextLookup lookup = [&](const char* context, const std::string& english) {
    const auto found = german.find({context, english});
    return found == german.end() ? english : found->second;
  };
  PlayerText text(PLAYER_TEXT("Piano", "%1 went away."), {"Port B"});
  text.add(PLAYER_TEXT("Piano", " Device 0 (%1) plays now."), {"Synth"});
  text.add_as_is(" went away.");
  text.add(PLAYER_TEXT("Piano", " Not translated yet."));
  EXPECT_EQ(
      text.in(lookup),
      "Port B ist verschwunden. Jetzt spielt Gerät 0 (Synth). went away. Not translated yet.");
  EXPECT_EQ(text.english(),
            "Port B went away. Device 0 (Synth) plays now. went away. Not "
            "translated yet.");
}

}  // namespace
}  // namespace tastarion
