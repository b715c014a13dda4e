#include "links/outside_links.h"

#include <gtest/gtest.h>

#include "links/expected_links.h"
#include "links/recording_links.h"

namespace brim::links {
namespace {

using fakes::Log;
using platform::Failure;

using expected::kArticle;
using expected::kDonation;
using expected::kMail;
using expected::kThanks;
constexpr platform::NativeWindow kAboutHandle = 0x2A0134;

class LinksTest : public testing::Test {
 protected:
  static void ExpectOpened(const fakes::ShellCall& call, const std::wstring& url) {
    EXPECT_EQ(call.file, url);
    EXPECT_EQ(call.operation, L"Open");
    EXPECT_EQ(call.parameters, L"");
    EXPECT_EQ(call.directory, L"");
    EXPECT_EQ(call.owner, kAboutHandle);
    EXPECT_EQ(call.show, 1);  // SW_SHOWNORMAL: the page is put in front of the user
  }

  Log log;
  fakes::FakeWindow about{kAboutHandle};
  fakes::RecordingShell shell{log};
  fakes::RecordingBrowser browser{log};
  fakes::FakeMessageBox box{log};
  AboutContext ab{about, shell, browser, box};
};

TEST_F(LinksTest, BlogOpensTheArticleOnBehalfOfTheAboutWindow) {
  Blog_Click(ab);
  ASSERT_EQ(shell.calls.size(), 1U);
  ExpectOpened(shell.calls[0], kArticle);
  EXPECT_EQ(log, Log{L"shell:" + kArticle});
}

TEST_F(LinksTest, DonateThanksFirstAndOpensThePaymentPageOnlyOnceTheBoxIsDismissed) {
  Cmd4_Click(ab);
  EXPECT_EQ(log, (Log{L"box:" + kThanks, L"shell:" + kDonation}));
  ASSERT_EQ(box.shown.size(), 1U);
  EXPECT_EQ(box.shown[0].flags, 0U);  // OK only, no icon, the application's title
  ASSERT_EQ(shell.calls.size(), 1U);
  ExpectOpened(shell.calls[0], kDonation);
}

TEST_F(LinksTest, EmailMeHandsExactlyTheMailLinkToTheHiddenBrowser) {
  Cmd2_Click(ab);
  EXPECT_EQ(log, Log{L"navigate:" + kMail});
}

TEST_F(LinksTest, EachPressRepeatsItsWholeAction) {
  Blog_Click(ab);
  Blog_Click(ab);
  Cmd4_Click(ab);
  Cmd4_Click(ab);
  Cmd2_Click(ab);
  Cmd2_Click(ab);
  EXPECT_EQ(log, (Log{L"shell:" + kArticle, L"shell:" + kArticle, L"box:" + kThanks, L"shell:" + kDonation,
                      L"box:" + kThanks, L"shell:" + kDonation, L"navigate:" + kMail, L"navigate:" + kMail}));
}

TEST_F(LinksTest, OpenInternetPassesTheGivenWindowAndTextThrough) {
  const fakes::FakeWindow other(0x77);
  OpenInternet(shell, other, L"http://www.example.org/a b?x=%41");
  ASSERT_EQ(shell.calls.size(), 1U);
  EXPECT_EQ(shell.calls[0].owner, 0x77U);
  EXPECT_EQ(shell.calls[0].file, L"http://www.example.org/a b?x=%41");
}

// Nothing is trapped: each failure ends its handler and reaches the caller.
TEST_F(LinksTest, AnUnreadableWindowEndsTheHandlerBeforeTheShellIsAsked) {
  about.unreadable = true;
  EXPECT_THROW(OpenInternet(shell, about, kArticle), Failure);
  EXPECT_THROW(Blog_Click(ab), Failure);
  EXPECT_THROW(Cmd4_Click(ab), Failure);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(log, Log{L"box:" + kThanks});  // Donate had thanked the user by then
}

TEST_F(LinksTest, AShellThatCannotBeBoundEndsTheHandler) {
  shell.fail = true;
  EXPECT_THROW(Blog_Click(ab), Failure);
  EXPECT_THROW(Cmd4_Click(ab), Failure);
  EXPECT_EQ(log, (Log{L"shell:" + kArticle, L"box:" + kThanks, L"shell:" + kDonation}));
}

TEST_F(LinksTest, AFailingThanksBoxOpensNoPaymentPage) {
  class FailingBox : public platform::MsgBox {
   public:
    int Show(std::wstring_view /*prompt*/, unsigned /*flags*/) override { throw Failure("Out of memory"); }
  } failing;
  const AboutContext broken{about, shell, browser, failing};
  EXPECT_THROW(Cmd4_Click(broken), Failure);
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(LinksTest, AFailedNavigationEndsEmailMe) {
  browser.fail = true;
  EXPECT_THROW(Cmd2_Click(ab), Failure);
}

// The shell's result is not looked at: with no handler for the scheme the
// shell opens nothing, and the program shows nothing beyond the thanks.
TEST_F(LinksTest, WithNoHandlerRegisteredNothingIsReported) {
  EXPECT_NO_THROW(Blog_Click(ab));
  EXPECT_NO_THROW(Cmd4_Click(ab));
  EXPECT_NO_THROW(Blog_Click(ab));
  ASSERT_EQ(box.shown.size(), 1U);
  EXPECT_EQ(box.shown[0].prompt, kThanks);
}

}  // namespace
}  // namespace brim::links
