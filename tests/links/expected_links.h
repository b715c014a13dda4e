#pragma once
// The link texts as the tests expect them, written out here rather than taken
// from the code, so that a changed character fails.

#include <string>

namespace brim::expected {

inline const std::wstring kArticle = L"http://news.example.com/5247-6257-0.html?id=4166121";
inline const std::wstring kDonation =
    L"https://www.paypal.com/cgi-bin/"
    L"webscr?cmd=_xclick&business=donate%40example%2eorg&no_shipping=0&no_note=1"
    L"&tax=0&currency_code=GBP";
inline const std::wstring kMail = L"MailTo:varnholt@example.net?subject=Brimsweep 1.8";
inline const std::wstring kThanks = L"Donations are highly appreciated.";

}  // namespace brim::expected
