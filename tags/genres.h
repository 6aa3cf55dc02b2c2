// Genre names and ID3v1 genre codes.
#pragma once
#include <string>

namespace vt {

// The name of an ID3v1 code; empty text for codes past the list.
std::string genre_name(int code);
// The code of the last name in the list equal to `name` ignoring case, or -1.
int genre_code(const std::string& name);
// An ID3v2 genre as a name: "(17)", "(17)Rock", "17" (ID3v2.4) and the "(RX)" and
// "(CR)" references become names; other text stays as it is.
std::string genre_from_id3v2(const std::string& text);

}  // namespace vt
