// Pieces of the mail message that need no connection: host text, recipients,
// base64, the encoded subject, the Date header, the boundary, attachment types.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

constexpr int kDefaultSmtpPort = 25;
constexpr size_t kMaxRecipientChars = 259;
constexpr size_t kBase64LineInputBytes = 57;

// The SMTP host text in its three forms: "host", "host:user:password",
// "user:password@host[:port]".
struct SmtpHost {
  std::string host;  // as parsed, port included (for the connect message)
  std::string name;  // the host without its port
  std::string user, password;
  int port = kDefaultSmtpPort;
};
SmtpHost parse_smtp_host(const std::string& text);

// The comma-separated pieces of a recipient text, blanks around each removed, empty
// pieces dropped, each cut at 259 characters.
std::vector<std::string> split_recipients(const std::string& to);

// RFC 4648 base64 of `length` bytes, no line breaks.
std::string base64_encode(const uint8_t* data, size_t length);

// The Subject header's text: as it stands when it is printable ASCII, otherwise
// RFC 2047 encoded words (windows-1252, "Q"), folded so that no word passes 75
// characters.
std::string encode_header_text(const std::string& text);

// A local time and its offset east of UTC in minutes (daylight saving included).
struct MailTime {
  int weekday;  // 0 Sunday
  int day, month, year;  // month 1-12, full year
  int hour, minute, second;
  int utc_offset_minutes;
};
// "Sun, 06 Dec 2026 14:05:09 +0100".
std::string format_mail_date(const MailTime& time);

// The first "gc0p4Jq0M2Yt08jU534c<i>" (i = 0..99) that does not occur in the body;
// the one with 99 when all do.
std::string choose_boundary(const std::string& body);

// "audio/wav", "audio/mpeg" or "application/octet-stream" from the file name's extension.
const char* attachment_content_type(const std::string& file_name);

// An attachment's Content-Type, Content-Transfer-Encoding (base64) and
// Content-Disposition lines, each ending in CRLF, for
// the windows-1252 file name `name`: a printable ASCII name is quoted as it is; any
// other goes out as RFC 2231 "name*" and "filename*" parameters, which carry the code
// page, so that no raw 8-bit byte stands in a header.
std::string attachment_headers(const std::string& name);

// The body as the pieces to send for dot-stuffing: each piece but the last ends with
// a dot that begins a line after the first, and the next piece starts with that same
// dot again, so the dot goes out twice.
std::vector<std::string> dot_stuffed_pieces(const std::string& body);

}  // namespace vt

namespace vt {

// The recipients of a MAPI send, one message each: control characters and blanks
// before a token are skipped; a token runs to the next ',' (or is the text between
// double quotes, whatever stood before the opening quote dropped); blanks at its end
// are removed; each is cut at 259 characters. A text of blanks yields none.
std::vector<std::string> mapi_recipients(const std::string& text);

}  // namespace vt
