#include "links/outside_links.h"

#include "links/link_texts.h"

namespace brim::links {

void OpenInternet(platform::Shell& shell, const platform::HasNativeWindow& Parent, std::wstring_view URL) {
  // Read first: if the handle can't be read, nothing is opened.
  const platform::NativeWindow owner = Parent.hWnd();
  shell.Execute(owner, kOpenOperation, URL, L"", L"", kShowNormal);
}

void Blog_Click(const AboutContext& ab) { OpenInternet(ab.shell, ab.about, kArticleLink); }

void Cmd4_Click(const AboutContext& ab) {
  // Modal: the payment page is asked for only once the thanks are dismissed.
  ab.box.Show(kThanksPrompt, kThanksFlags);
  OpenInternet(ab.shell, ab.about, kDonationLink);
}

void Cmd2_Click(const AboutContext& ab) { ab.WebBrowser1.Navigate(kMailLink); }

}  // namespace brim::links
