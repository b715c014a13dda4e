#pragma once
// The fixed texts behind the About window's three link buttons. They are handed
// over exactly as written here: nothing is encoded or composed at run time.

#include <string_view>

namespace brim::links {

// "Blog": the article page, plain HTTP.
inline constexpr std::wstring_view kArticleLink = L"http://news.example.com/5247-6257-0.html?id=4166121";

// "Donate": one payment in pounds sterling. Only the account address is
// encoded: "@" as %40 and its domain's dot as %2e.
inline constexpr std::wstring_view kDonationLink =
    L"https://www.paypal.com/cgi-bin/webscr?cmd=_xclick&business=donate%40example%2eorg"
    L"&no_shipping=0&no_note=1&tax=0&currency_code=GBP";

// "Email Me": capitals and the blank are kept as they are.
inline constexpr std::wstring_view kMailLink = L"MailTo:varnholt@example.net?subject=Brimsweep 1.8";

// Shown before the payment page; flags 0 gives one OK button and no icon.
inline constexpr std::wstring_view kThanksPrompt = L"Donations are highly appreciated.";
inline constexpr unsigned kThanksFlags = 0;

// Handed to the shell, for the three links alike, so the browser or mail
// program shows itself normally (SW_SHOWNORMAL).
inline constexpr int kShowNormal = 1;
inline constexpr std::wstring_view kOpenOperation = L"Open";

}  // namespace brim::links
