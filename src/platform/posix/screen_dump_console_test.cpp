#include "platform/posix/screen_dump_console.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace r7n {
namespace {

namespace fs = std::filesystem;

ScreenImage Blank(int rows, int cols) {
  ScreenImage image;
  image.rows = rows;
  image.cols = cols;
  image.cells.resize(static_cast<std::size_t>(rows * cols));
  return image;
}

ScreenImage WithText(int rows, int cols, int row, const std::string& text) {
  ScreenImage image = Blank(rows, cols);
  for (std::size_t i = 0; i < text.size(); ++i) {
    image.At(row, static_cast<int>(i) + 1).ch = static_cast<std::uint8_t>(text[i]);
  }
  return image;
}

// The expected texts are spelled as UTF-8 bytes, not worked out through the
// glyph table, so a wrong glyph or a wrong encoding fails here.
TEST(ScreenText, EachCellIsItsGlyphInUtf8) {
  struct Case {
    std::uint8_t byte;
    std::string utf8;
    std::string ascii;
  };
  const Case cases[] = {
      {'A', "A", "A"},
      {0x00, " ", " "},             // the blank glyph
      {0x01, "\xE2\x98\xBA", "?"},  // smiley
      {0x07, "\xE2\x80\xA2", "o"},  // bullet, not a bell
      {0x0D, "\xE2\x99\xAA", "?"},  // note, not a line end
      {0x1B, "\xE2\x86\x90", "<"},  // arrow, not an escape
      {0x7F, "\xE2\x8C\x82", "?"},  // house
      {0x9B, "\xC2\xA2", "?"},      // cent sign, not a CSI
      {0x9D, "\xC2\xA5", "?"},      // yen sign, not an OSC
      {0xB0, "\xE2\x96\x91", "#"},  // light shade
      {0xFF, "\xC2\xA0", " "},      // no-break space
  };
  for (const Case& c : cases) {
    ScreenImage image = Blank(1, 3);
    image.At(1, 2).ch = c.byte;
    EXPECT_EQ(ScreenText(image, true), " " + c.utf8 + " \n") << "byte " << int{c.byte};
    EXPECT_EQ(ScreenText(image, false), " " + c.ascii + " \n") << "byte " << int{c.byte};
  }
}

TEST(ScreenText, OneLinePerRowWithItsTrailingBlanks) {
  ScreenImage image = WithText(3, 4, 2, "ab");
  image.At(3, 4).ch = 'z';
  image.At(3, 4).bg = 4;  // colours are not part of the text
  EXPECT_EQ(ScreenText(image, true), "    \nab  \n   z\n");
}

// Keeps what reached it, so a test sees what the decorator handed on.
class RecordingConsole : public ConsoleDevice {
 public:
  WindowSize Size() const override { return {25, 80}; }
  void Show(const ScreenImage& image) override { shown.push_back(image); }
  void PollKeys(std::vector<std::string>& keys) override { keys.push_back("k"); }
  void Beep(int hz, int ms) override { beeps.push_back({hz, ms}); }

  struct BeepCall {
    int hz;
    int ms;
  };
  std::vector<ScreenImage> shown;
  std::vector<BeepCall> beeps;
};

class ScreenDumpConsoleTest : public ::testing::Test {
 protected:
  ScreenDumpConsoleTest() {
    std::string pattern = (fs::temp_directory_path() / "r7n_dump_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    path_ = dir_ / "screen.txt";
  }
  ~ScreenDumpConsoleTest() override { fs::remove_all(dir_); }

  std::string Dumped() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::vector<fs::path> Files() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir_)) files.push_back(entry.path());
    return files;
  }

  fs::path dir_;
  fs::path path_;
  RecordingConsole inner_;
};

TEST_F(ScreenDumpConsoleTest, PassesEverythingOn) {
  ScreenDumpConsole dump(inner_, path_.string(), true);
  EXPECT_EQ(dump.Size().rows, 25);
  EXPECT_EQ(dump.Size().cols, 80);
  std::vector<std::string> keys;
  dump.PollKeys(keys);
  EXPECT_EQ(keys, std::vector<std::string>{"k"});
  dump.Beep(1000, 250);
  ASSERT_EQ(inner_.beeps.size(), 1u);
  EXPECT_EQ(inner_.beeps[0].hz, 1000);
  EXPECT_EQ(inner_.beeps[0].ms, 250);
  const ScreenImage image = WithText(2, 3, 1, "hi");
  dump.Show(image);
  ASSERT_EQ(inner_.shown.size(), 1u);
  EXPECT_EQ(inner_.shown[0].cells, image.cells);
}

TEST_F(ScreenDumpConsoleTest, TheFileFollowsEveryChangeShown) {
  ScreenDumpConsole dump(inner_, path_.string(), true);
  EXPECT_FALSE(fs::exists(path_)) << "nothing before the first screen";
  dump.Show(WithText(2, 3, 1, "hi"));
  EXPECT_EQ(Dumped(), "hi \n   \n");
  dump.Show(WithText(2, 3, 2, "\x01"));
  EXPECT_EQ(Dumped(), "   \n\xE2\x98\xBA  \n");
  EXPECT_EQ(Files(), std::vector<fs::path>{path_}) << "no temporary file left behind";
  EXPECT_TRUE(dump.Error().empty()) << dump.Error();
}

TEST_F(ScreenDumpConsoleTest, AnUnchangedScreenIsNotWrittenAgain) {
  ScreenDumpConsole dump(inner_, path_.string(), true);
  ScreenImage image = WithText(1, 3, 1, "abc");
  dump.Show(image);
  fs::remove(path_);
  image.At(1, 1).fg = 12;  // another colour, the same text
  image.cursor_col = 3;
  dump.Show(image);
  EXPECT_FALSE(fs::exists(path_));
  EXPECT_EQ(inner_.shown.size(), 2u) << "the terminal still gets it";
  dump.Show(WithText(1, 3, 1, "abd"));
  EXPECT_EQ(Dumped(), "abd\n");
}

TEST_F(ScreenDumpConsoleTest, AFailedWriteIsReportedOnceAndTriedAgain) {
  const fs::path missing = dir_ / "missing";
  ScreenDumpConsole dump(inner_, (missing / "screen.txt").string(), true);
  dump.Show(WithText(1, 2, 1, "a"));
  EXPECT_EQ(inner_.shown.size(), 1u) << "the terminal is shown all the same";
  const std::string first = dump.Error();
  EXPECT_NE(first.find((missing / "screen.txt.tmp").string()), std::string::npos) << first;
  fs::create_directory(missing);
  dump.Show(WithText(1, 2, 1, "a"));  // the same text, still not in the file
  EXPECT_EQ(dump.Error(), first);
  std::ifstream in(missing / "screen.txt");
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "a ");
}

}  // namespace
}  // namespace r7n
