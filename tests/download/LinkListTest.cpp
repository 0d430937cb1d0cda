#include <gtest/gtest.h>

#include <deque>

#include "download/LinkList.h"
#include "download/VideoService.h"

namespace mediaconv::download {
namespace {

using Entries = std::vector<std::string>;

// Answers the link messages from a script (OK when it runs out) and keeps them.
class TScriptedView : public TLinkListView {
 public:
  bool ConfirmLinkMessage(const std::string& text) override {
    messages.push_back(text);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void LinkAdded(int index, const std::string& link) override { added.emplace_back(index, link); }
  void LinkRemoved(int index) override { removed.push_back(index); }

  std::deque<bool> answers;
  Entries messages;
  std::vector<std::pair<int, std::string>> added;
  std::vector<int> removed;
};

struct TSplitCase {
  std::string text;
  Entries entries;
};
void PrintTo(const TSplitCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.text); }

class SplitPastedTextTest : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(SplitPastedTextTest, SplitsAtLineBreaksOutsideQuotes) {
  EXPECT_EQ(SplitPastedText(GetParam().text), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitPastedTextTest,
                         ::testing::Values(TSplitCase{"", {}}, TSplitCase{"a", {"a"}},
                                           TSplitCase{"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                                           TSplitCase{"\r\n\r\na\n\n\nb\r\n", {"a", "b"}},
                                           // Blanks are kept: entries are not trimmed.
                                           TSplitCase{" a \n  \nb ", {" a ", "  ", "b "}},
                                           TSplitCase{"\"a\nb\"\nc", {"\"a\nb\"", "c"}},
                                           TSplitCase{"x'a\r\nb'y\nz", {"x'a\r\nb'y", "z"}},
                                           // Quotes of the other kind do not close a part.
                                           TSplitCase{"\"a'\nb\"", {"\"a'\nb\""}},
                                           // A quote without its partner is an ordinary character.
                                           TSplitCase{"a\"b\nc", {"a\"b", "c"}},
                                           TSplitCase{"\"\"\n''", {"\"\"", "''"}}));

TEST(VideoServiceTest, ALinkHoldsHttpAndTheDomainInAnyCase) {
  EXPECT_TRUE(IsServiceLink("http://www.youtube.com/watch?v=abc"));
  EXPECT_TRUE(IsServiceLink("HTTPS://WWW.YOUTUBE.COM/watch?v=abc"));
  EXPECT_TRUE(IsServiceLink("see youtube.com at http"));
  EXPECT_FALSE(IsServiceLink("www.youtube.com/watch?v=abc"));
  EXPECT_FALSE(IsServiceLink("http://example.com/watch?v=abc"));
  EXPECT_FALSE(IsServiceLink(""));
}

class LinkListTest : public ::testing::Test {
 protected:
  TScriptedView view_;
  TLinkList list_{view_};
  const std::string first_ = "http://www.youtube.com/watch?v=first";
  const std::string third_ = "http://www.youtube.com/watch?v=third";
  const std::string notALink_ = "http://example.com/clip";
};

TEST_F(LinkListTest, NotALinkShowsItsMessageAndOkGoesOn) {
  EXPECT_EQ(list_.Paste(first_ + "\r\n" + notALink_ + "\r\n" + third_), 2);
  EXPECT_EQ(list_.Links(), (Entries{first_, third_}));
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0], notALink_ + "\n\r\n\rThis is not a YouTube video link.");
}

TEST_F(LinkListTest, CancelDropsTheRestOfThePaste) {
  view_.answers = {false};
  EXPECT_EQ(list_.Paste(first_ + "\n" + notALink_ + "\n" + third_), 1);
  EXPECT_EQ(list_.Links(), Entries{first_});
  EXPECT_EQ(view_.messages.size(), 1u);
}

TEST_F(LinkListTest, ALinkInOtherLetterCaseIsAddedTheSameOneIsRefused) {
  ASSERT_TRUE(list_.AddLink(first_));
  const std::string upper = "http://www.youtube.com/watch?v=FIRST";
  EXPECT_TRUE(list_.AddLink(upper));
  EXPECT_TRUE(view_.messages.empty());
  // The entry that matches only without case is passed over; the exact one is found behind it.
  TLinkList reversed(view_);
  ASSERT_TRUE(reversed.AddLink(upper));
  ASSERT_TRUE(reversed.AddLink(first_));
  view_.answers = {false};
  EXPECT_FALSE(reversed.AddLink(first_));
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0], first_ + "\n\r\n\rThis video is already in the download list.");
  EXPECT_EQ(reversed.Links(), (Entries{upper, first_}));
}

TEST_F(LinkListTest, DuplicateWithOkGoesOnWithTheNextEntry) {
  ASSERT_TRUE(list_.AddLink(first_));
  EXPECT_EQ(list_.Paste(first_ + "\n" + third_), 1);
  EXPECT_EQ(list_.Links(), (Entries{first_, third_}));
  EXPECT_EQ(view_.messages.size(), 1u);
}

TEST_F(LinkListTest, TrailingBlankStaysInTheLink) {
  list_.Paste(first_ + " \n");
  EXPECT_EQ(list_.Links(), Entries{first_ + " "});
  // With the blank it is another caption than without.
  EXPECT_TRUE(list_.AddLink(first_));
  EXPECT_EQ(list_.Links().size(), 2u);
}

TEST_F(LinkListTest, RemoveFocusesTheEntryNowAtItsPlaceElseTheLast) {
  for (const char* id : {"a", "b", "c"}) list_.AddLink(std::string("http://youtube.com/watch?v=") + id);
  EXPECT_EQ(list_.Remove(1), 1);
  EXPECT_EQ(list_.Links().back(), "http://youtube.com/watch?v=c");
  EXPECT_EQ(list_.Remove(1), 0);
  EXPECT_EQ(list_.Remove(0), -1);
  EXPECT_EQ(view_.removed, (std::vector<int>{1, 1, 0}));
  EXPECT_FALSE(list_.CanRemove(0));
  EXPECT_FALSE(list_.CanEmpty());
}

TEST_F(LinkListTest, EmptyClearsEverything) {
  list_.AddLink(first_);
  list_.AddLink(third_);
  EXPECT_TRUE(list_.CanEmpty());
  EXPECT_TRUE(list_.CanRemove(1));
  EXPECT_FALSE(list_.CanRemove(2));
  list_.Clear();
  EXPECT_TRUE(list_.Empty());
}

}  // namespace
}  // namespace mediaconv::download
