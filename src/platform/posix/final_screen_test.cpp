#include "platform/posix/final_screen.h"

#include <gtest/gtest.h>

namespace r7n {
namespace {

ScreenImage Blank(int rows, int cols) {
  ScreenImage image;
  image.rows = rows;
  image.cols = cols;
  image.cells.resize(static_cast<std::size_t>(rows * cols));
  return image;
}

TEST(FinalScreen, KeepsTextAndColoursAndDropsTheBlankTail) {
  ScreenImage image = Blank(25, 80);
  image.At(1, 1) = Cell{'A', 15, 0};
  image.At(1, 2) = Cell{'b', 15, 0};
  image.At(3, 3) = Cell{' ', 15, 12};  // a coloured blank counts
  EXPECT_EQ(FinalScreenText(image, true, ColorCapability::kSixteenColors),
            "\x1b[0;97;40mAb\x1b[0m\r\n"
            "\x1b[0m\r\n"
            "\x1b[0;37;40m  \x1b[0;97;101m \x1b[0m\r\n");
}

TEST(FinalScreen, NeverPassesControlBytesThrough) {
  ScreenImage image = Blank(2, 8);
  const char bytes[] = {'\x1b', '\x07', '\x9b', '\x0d', '\x0a', '\x08', '\x00', '\x7f'};
  for (int col = 1; col <= 8; ++col)
    image.At(1, col) = Cell{static_cast<std::uint8_t>(bytes[col - 1]), 7, 1};
  for (bool utf8 : {true, false}) {
    const std::string text = FinalScreenText(image, utf8, ColorCapability::kMonochrome);
    std::string body = text.substr(0, text.find("\x1b[0m\r\n"));
    body.erase(0, body.find('m') + 1);  // the one SGR in front
    for (char c : body) {
      const auto byte = static_cast<unsigned char>(c);
      EXPECT_TRUE(byte >= 0x20 && byte != 0x7F && byte != 0x9B) << "byte " << int{byte};
    }
  }
}

TEST(FinalScreen, EmptyScreenPrintsNothing) {
  EXPECT_EQ(FinalScreenText(Blank(25, 80), true, ColorCapability::kEightColors), "");
}

}  // namespace
}  // namespace r7n
