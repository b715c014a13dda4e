#include "links/outside_links.h"

namespace brim::links {

// Placeholder until the links are built.
void OpenInternet(platform::Shell& /*shell*/, const platform::HasNativeWindow& /*Parent*/,
                  std::wstring_view /*URL*/) {}
void Blog_Click(const AboutContext& /*ab*/) {}
void Cmd4_Click(const AboutContext& /*ab*/) {}
void Cmd2_Click(const AboutContext& /*ab*/) {}

}  // namespace brim::links
