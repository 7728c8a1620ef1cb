#include "corvane_standin/editor_state.h"

#include <string>

#include <gtest/gtest.h>

namespace kvx::standin {
namespace {

using namespace std::string_literals;

EditorState Sample() {
  EditorState state;
  state.session = "Delphi 3-EDITOR";
  state.sessionDirectory = "/apps/";
  state.activeFile = "/src/a b.pas";
  state.activations = 3;
  state.files.push_back(FileState{"/src/a b.pas", "/tmp/a b.0.pas", "x\r\ny\n\0z\nfile 1 1\n"s,
                                  12, 5, 3, true});
  state.files.push_back(FileState{"/src/\nodd", "/tmp/odd.0", "", -1, 0, 7, false});
  state.globals.push_back(GlobalState{"!REMCURPOS_L", GlobalValue{GlobalKind::Integer, -5, {}}});
  state.globals.push_back(
      GlobalState{"!REMACTIVEFILE", GlobalValue{GlobalKind::String, 0, "/src/a b.pas\nend\n"}});
  return state;
}

TEST(EditorState, TextFormRoundTripsAnyBytes) {
  const EditorState state = Sample();
  const std::string text = FormatState(state);
  EXPECT_EQ(ParseState(text), state);
  EXPECT_EQ(ParseState(text + "\0trailing"s), state);
  EXPECT_EQ(ParseState(FormatState(EditorState{})), EditorState{});
  ASSERT_NE(state.FindFile("/src/\nodd"), nullptr);
  EXPECT_EQ(state.FindFile("/src/\nodd")->top, 7);
  EXPECT_EQ(state.FindFile("/nowhere"), nullptr);
}

TEST(EditorState, EveryCutShortTextIsRejected) {
  const std::string text = FormatState(Sample());
  for (std::size_t length = 0; length < text.size(); ++length)
    EXPECT_EQ(ParseState(text.substr(0, length)), std::nullopt) << length;
  std::string corrupt = text;
  corrupt.replace(corrupt.find("file 12"), 7, "file 1x");
  EXPECT_EQ(ParseState(corrupt), std::nullopt);
}

}  // namespace
}  // namespace kvx::standin
