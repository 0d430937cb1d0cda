#pragma once
#include <string>
#include <string_view>

namespace mediaconv::download {

// The video's title in a page of the service: the content of the first
// <meta name="title" content="..."> with &amp; &gt; &lt; &quot; &nbsp;
// decoded (&amp; first, so "&amp;quot;" ends as a double quote). Empty when
// the page has none.
std::string ExtractPageTitle(std::string_view page);

// The media address of a page: "http://" + domain + "/get_video?" + the
// first "video_id=...&" + the first "&t=...&" of the page; a part the page
// lacks is left out.
std::string ExtractVideoAddress(std::string_view page);

// The entity decoding of ExtractPageTitle on its own.
std::string DecodeTitleEntities(std::string text);

}  // namespace mediaconv::download
