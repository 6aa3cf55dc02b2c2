// The mail client's dialogue against a scripted server (each step's replies, the
// login forms, recipients, failures and stop) and the message's pieces: host text,
// base64, encoded subject read back by Python, Date, boundary, dot-stuffing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "delivery/smtp_client.h"
#include "delivery/smtp_security.h"
#include "tests/support/native_files.h"

namespace vt {
namespace {

struct Flag : StopSignal {
  bool stop_requested() const override { return set; }
  bool set = false;
};

struct Messages : MailReporter {
  void show_error(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

// A server that answers each command from a table; replies are handed out a few
// bytes at a time, as a network may cut them.
class ScriptedServer : public MailConnection {
 public:
  explicit ScriptedServer(Flag& stop) : stop_(stop) {}
  std::map<std::string, std::string> replies = {
      {"GREETING", "220 mail.example ESMTP\r\n"}, {"HELO", "250 hello\r\n"}, {"EHLO", "250 hello\r\n"},
      {"AUTH", "334 VXNlcm5hbWU6\r\n"},           {"USER", "334 UGFzc3dvcmQ6\r\n"}, {"PASS", "235 ok\r\n"},
      {"MAIL", "250 ok\r\n"},                     {"RCPT", "250 ok\r\n"},  {"DATA", "354 go\r\n"},
      {"END", "250 queued\r\n"},                  {"QUIT", "221 bye\r\n"}};
  std::string stop_at;  // the command at which the user quits
  // The line from which on the server takes nothing more ("<message>": the DATA bytes).
  std::string stall_at;
  int failed_sends = 0;
  std::vector<std::string> commands;
  std::string message;  // the DATA bytes before the terminator
  std::string host;
  int port = 0;
  bool closed = false;

  Outcome connect(const std::string& to_host, int to_port) override {
    host = to_host;
    port = to_port;
    if (replies.count("CONNECT")) return Outcome::kFailed;
    queue("GREETING");
    return Outcome::kDone;
  }
  Outcome receive(char* buffer, int capacity, int* got) override {
    *got = 0;
    if (closed) return Outcome::kFailed;
    if (pending_.empty()) return stop_.set ? Outcome::kStopped : Outcome::kFailed;  // the 40 s budget ran out
    int n = std::min<int>({capacity, 5, static_cast<int>(pending_.size())});
    pending_.copy(buffer, n);
    pending_.erase(0, n);
    *got = n;
    return Outcome::kDone;
  }
  Outcome send_all(const char* data, size_t length, int budget_ms) override {
    if (closed) return Outcome::kFailed;
    if (stalled_ || starts_stall(std::string(data, length))) {
      stalled_ = true;
      ++failed_sends;  // each costs the client a whole send budget
      return Outcome::kFailed;
    }
    input_.append(data, length);
    for (;;) {
      if (state_ == kData) {
        size_t end = input_.find("\r\n.\r\n");
        if (end == std::string::npos) return Outcome::kDone;
        message = input_.substr(0, end);
        input_.erase(0, end + 5);
        state_ = kCommand;
        answer("END", "<end of data>");
        continue;
      }
      size_t line_end = input_.find("\r\n");
      if (line_end == std::string::npos) return Outcome::kDone;
      std::string line = input_.substr(0, line_end);
      input_.erase(0, line_end + 2);
      if (state_ == kUser) {
        state_ = kCommand;
        answer("USER", "user " + line);
        if (pending_.compare(0, 3, "334") == 0) state_ = kPassword;
        continue;
      }
      if (state_ == kPassword) {
        state_ = kCommand;
        answer("PASS", "password " + line);
        continue;
      }
      std::string word = line.substr(0, 4);
      answer(word, line);
      if (word == "AUTH" && pending_.compare(0, 3, "334") == 0) state_ = kUser;
      if (word == "DATA" && pending_.compare(0, 3, "354") == 0) state_ = kData;
    }
  }
  void close() override { closed = true; }
  std::string local_host_name() override { return "recorder-pc"; }
  Outcome start_tls(const std::string& name) override {
    commands.push_back("<tls " + name + ">");
    if (tls_result != Outcome::kDone) closed = true;
    return tls_result;
  }
  std::string tls_failure() const override { return tls_reason; }
  Outcome tls_result = Outcome::kDone;
  std::string tls_reason;

 private:
  bool starts_stall(const std::string& bytes) const {
    if (stall_at.empty()) return false;
    if (stall_at == "<message>") return state_ == kData;
    if (stall_at == "user") return state_ == kUser;
    return state_ == kCommand && bytes.compare(0, stall_at.size(), stall_at) == 0;
  }
  void queue(const std::string& key) { pending_ += replies[key]; }
  void answer(const std::string& key, const std::string& line) {
    commands.push_back(line);
    if (key == stop_at) {
      stop_.set = true;
      return;
    }
    std::string specific = key + " " + line;  // a reply for one exact command
    pending_ += replies.count(specific) ? replies[specific] : replies[key];
  }

  enum { kCommand, kUser, kPassword, kData } state_ = kCommand;
  bool stalled_ = false;
  Flag& stop_;
  std::string input_, pending_;
};

class SmtpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    attachment_ = dir_.path("Untitled 1.wav");
    vt_test::write_file(attachment_, std::vector<uint8_t>{'R', 'I', 'F', 'F', 1, 2, 3});
    message_.to = "someone@example.org";
    message_.from = "recorder@example.org";
    message_.subject = "Subject";
    message_.body = "Body\r\n";
    message_.attachments = {attachment_};
    message_.host_text = "mail.example";
    message_.allow_plain_login = true;
  }
  Outcome send() { return smtp_send(message_, server_, stop_, messages_, nullptr); }

  vt_test::TempDir dir_;
  std::string attachment_;
  MailMessage message_;
  Flag stop_;
  ScriptedServer server_{stop_};
  Messages messages_;
};

TEST_F(SmtpClientTest, WithoutLoginNeverAuthenticatesAndFallsBackToHelo) {
  ASSERT_EQ(Outcome::kDone, send());
  EXPECT_EQ("mail.example", server_.host);
  EXPECT_EQ(25, server_.port);
  EXPECT_EQ((std::vector<std::string>{"EHLO recorder-pc", "MAIL FROM:<recorder@example.org>",
                                      "RCPT TO:<someone@example.org>", "DATA", "<end of data>", "QUIT"}),
            server_.commands);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(server_.closed);

  // A server of the older protocol that refuses EHLO still gets the mail after HELO.
  ScriptedServer old(stop_);
  old.replies["EHLO"] = "500 unknown command\r\n";
  ASSERT_EQ(Outcome::kDone, smtp_send(message_, old, stop_, messages_, nullptr));
  EXPECT_EQ((std::vector<std::string>{"EHLO recorder-pc", "HELO recorder-pc", "MAIL FROM:<recorder@example.org>"}),
            std::vector<std::string>(old.commands.begin(), old.commands.begin() + 3));
  EXPECT_TRUE(messages_.shown.empty());
}

TEST(SmtpExtensions, StartTlsOnlyAsAKeywordOfA250Reply) {
  EXPECT_TRUE(ehlo_offers_starttls("250-mail.example\r\n250-PIPELINING\r\n250-starttls\r\n250 AUTH LOGIN\r\n"));
  EXPECT_TRUE(ehlo_offers_starttls("250-mail.example greets you\r\n250 STARTTLS\r\n"));
  EXPECT_FALSE(ehlo_offers_starttls("250 STARTTLS.example\r\n"));  // the first line names the server
  EXPECT_FALSE(ehlo_offers_starttls("250-mail.example\r\n250-STARTTLSX\r\n250 SIZE 10\r\n"));
  EXPECT_FALSE(ehlo_offers_starttls("250-mail.example\r\n251-STARTTLS\r\n250 SIZE 10\r\n"));
  EXPECT_FALSE(ehlo_offers_starttls("250-mail.example\r\n250-AUTH STARTTLS\r\n250 SIZE 10\r\n"));
  EXPECT_FALSE(ehlo_offers_starttls(""));
}

TEST_F(SmtpClientTest, StartTlsWhenOfferedThenGreetsAgainAndLogsIn) {
  message_.host_text = "jean@example.org:s3cret@smtp.example:587";
  message_.allow_plain_login = false;
  server_.replies["EHLO"] = "250-smtp.example\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n";
  server_.replies["STAR"] = "220 go ahead\r\n";
  ASSERT_EQ(Outcome::kDone, send());
  EXPECT_EQ((std::vector<std::string>{"EHLO recorder-pc", "STARTTLS", "<tls smtp.example>", "EHLO recorder-pc",
                                      "AUTH LOGIN", "user amVhbkBleGFtcGxlLm9yZw==", "password czNjcmV0",
                                      "MAIL FROM:<recorder@example.org>"}),
            std::vector<std::string>(server_.commands.begin(), server_.commands.begin() + 8));
  EXPECT_TRUE(messages_.shown.empty());

  // Port 465 speaks TLS before the greeting and never asks for STARTTLS.
  ScriptedServer implicit(stop_);
  message_.host_text = "jean@example.org:s3cret@smtp.example:465";
  implicit.replies["EHLO"] = server_.replies["EHLO"];
  ASSERT_EQ(Outcome::kDone, smtp_send(message_, implicit, stop_, messages_, nullptr));
  EXPECT_EQ(465, implicit.port);
  EXPECT_EQ((std::vector<std::string>{"<tls smtp.example>", "EHLO recorder-pc", "AUTH LOGIN"}),
            std::vector<std::string>(implicit.commands.begin(), implicit.commands.begin() + 3));
}

TEST_F(SmtpClientTest, LoginStaysOffTheWireWithoutTlsUnlessAllowed) {
  message_.host_text = "u:p@smtp.example:587";
  message_.allow_plain_login = false;
  EXPECT_EQ(Outcome::kFailed, send());
  EXPECT_EQ(std::vector<std::string>{"EHLO recorder-pc"}, server_.commands);
  EXPECT_TRUE(server_.closed);
  ASSERT_EQ(1u, messages_.shown.size());
  EXPECT_EQ(0u, messages_.shown[0].find("Le serveur mail \"smtp.example:587\" n'offre pas de connexion s"));

  // Offered and refused by the server: still no login in clear.
  ScriptedServer refusing(stop_);
  refusing.replies["EHLO"] = "250-smtp.example\r\n250 STARTTLS\r\n";
  refusing.replies["STAR"] = "454 TLS not available\r\n";
  EXPECT_EQ(Outcome::kFailed, smtp_send(message_, refusing, stop_, messages_, nullptr));
  EXPECT_EQ((std::vector<std::string>{"EHLO recorder-pc", "STARTTLS"}), refusing.commands);

  // Allowed: the settings that worked in clear keep working.
  ScriptedServer allowed(stop_);
  message_.allow_plain_login = true;
  ASSERT_EQ(Outcome::kDone, smtp_send(message_, allowed, stop_, messages_, nullptr));
  EXPECT_EQ("AUTH LOGIN", allowed.commands[1]);
  EXPECT_EQ(2u, messages_.shown.size());
}

TEST_F(SmtpClientTest, FailedHandshakeNamesTheReasonAndSendsNothingMore) {
  for (int port : {587, 465}) {
    SCOPED_TRACE(port);
    Flag stop;
    ScriptedServer server(stop);
    server.replies["EHLO"] = "250-smtp.example\r\n250 STARTTLS\r\n";
    server.replies["STAR"] = "220 go ahead\r\n";
    server.tls_result = Outcome::kFailed;
    server.tls_reason = "son certificat est \xE9tabli pour un autre nom.";
    Messages shown;
    message_.host_text = "u:p@smtp.example:" + std::to_string(port);
    EXPECT_EQ(Outcome::kFailed, smtp_send(message_, server, stop, shown, nullptr));
    EXPECT_EQ(std::vector<std::string>{"Connexion s\xC3\xA9" "curis\xC3\xA9" "e (TLS) impossible avec le serveur "
                                       "mail \"smtp.example:" + std::to_string(port) +
                                       "\" : son certificat est \xE9tabli pour un autre nom."},
              shown.shown);
    EXPECT_EQ("<tls smtp.example>", server.commands.back());
    EXPECT_TRUE(server.closed);
  }
}

TEST_F(SmtpClientTest, LoginFormsReachTheirPortAndAuthenticate) {
  message_.host_text = "jean@example.org:s3cret@smtp.example:587";
  ASSERT_EQ(Outcome::kDone, send());
  EXPECT_EQ("smtp.example", server_.host);
  EXPECT_EQ(587, server_.port);
  EXPECT_EQ((std::vector<std::string>{"EHLO recorder-pc", "AUTH LOGIN", "user amVhbkBleGFtcGxlLm9yZw==",
                                      "password czNjcmV0", "MAIL FROM:<recorder@example.org>",
                                      "RCPT TO:<someone@example.org>", "DATA", "<end of data>", "QUIT"}),
            server_.commands);

  // host:user:password keeps port 25; a host and a number take the number as the user.
  ScriptedServer second(stop_);
  message_.host_text = "smtp.example:2525";
  ASSERT_EQ(Outcome::kDone, smtp_send(message_, second, stop_, messages_, nullptr));
  EXPECT_EQ(25, second.port);
  EXPECT_EQ("EHLO recorder-pc", second.commands[0]);
  EXPECT_EQ("user MjUyNQ==", second.commands[2]);
  EXPECT_EQ("password ", second.commands[3]);
}

TEST_F(SmtpClientTest, RepliesSpreadOverLinesAndReceives) {
  message_.host_text = "smtp.example:u:p";
  server_.replies["EHLO"] = "250-smtp.example\r\n250-AUTH LOGIN PLAIN\r\n250-8BITMIME\r\n250 SIZE 1000000\r\n";
  server_.replies["GREETING"] = "220-first line of a long greeting\r\n220 ready\r\n";
  ASSERT_EQ(Outcome::kDone, send());
  EXPECT_EQ("AUTH LOGIN", server_.commands[1]);
}

TEST_F(SmtpClientTest, ServerWithoutLoginGetsTheMailUnauthenticated) {
  message_.host_text = "smtp.example:u:p";
  server_.replies["AUTH"] = "502 not implemented\r\n";
  ASSERT_EQ(Outcome::kDone, send());
  EXPECT_EQ("MAIL FROM:<recorder@example.org>", server_.commands[2]);
}

TEST_F(SmtpClientTest, EachStepsRefusalShowsItsOwnMessageAndEndsTheDialogue) {
  struct Case {
    const char* key;
    const char* reply;
    const char* message;
    const char* last_command;
  };
  const Case cases[] = {
      {"GREETING", "421 busy\r\n", "Mail server not responding", nullptr},
      {"EHLO", "500 what\r\n", "Mail host server error (HELO not accepted)", "EHLO recorder-pc"},
      {"PASS", "535 no\r\n", "Email authentication username or password not accepted", "password cA=="},
      {"MAIL", "550 no\r\n", "Mail host server error (MAIL FROM not accepted)", "MAIL FROM:<recorder@example.org>"},
      {"RCPT", "550 unknown\r\n",
       "Mail send error (RCPT TO not accepted). Your server may required authenticated email. Append "
       ":username:password to the SMTP server name for authentication.",
       "RCPT TO:<someone@example.org>"},
      {"DATA", "451 later\r\n", "Mail host server error (DATA not accepted)", "DATA"},
      {"END", "554 rejected\r\n", "Mail host server error (data terminator not accepted)", "<end of data>"},
      {"GREETING", "220 unterminated", "Mail server not responding", nullptr},  // the server stops answering
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Flag stop;
    ScriptedServer server(stop);
    server.replies[c.key] = c.reply;
    Messages shown;
    message_.host_text = "smtp.example:u:p";
    EXPECT_EQ(Outcome::kFailed, smtp_send(message_, server, stop, shown, nullptr));
    EXPECT_EQ(std::vector<std::string>{c.message}, shown.shown);
    EXPECT_TRUE(server.closed);
    if (c.last_command) {
      ASSERT_FALSE(server.commands.empty());
      EXPECT_EQ(c.last_command, server.commands.back());
    } else {
      EXPECT_TRUE(server.commands.empty());
    }
  }
}

TEST_F(SmtpClientTest, ConnectFailuresNameTheHostOrAskForOne) {
  server_.replies["CONNECT"] = "";
  message_.host_text = "u:p@smtp.example:587";
  EXPECT_EQ(Outcome::kFailed, send());
  message_.host_text = "";
  EXPECT_EQ(Outcome::kFailed, send());
  EXPECT_EQ((std::vector<std::string>{
                "Unable to connect to mail server \"smtp.example:587\".",
                "Unable to send email because you have not entered your SMTP host using Email Settings."}),
            messages_.shown);
}

TEST_F(SmtpClientTest, RecipientsAreTrimmedAndAnyRefusalFailsTheDelivery) {
  message_.to = " a@example.org ,b@example.org,, c@example.org";
  server_.replies["RCPT RCPT TO:<b@example.org>"] = "550 no such user\r\n";
  EXPECT_EQ(Outcome::kFailed, send());
  EXPECT_EQ("RCPT TO:<a@example.org>", server_.commands[2]);
  EXPECT_EQ("RCPT TO:<b@example.org>", server_.commands[3]);
  EXPECT_EQ("RCPT TO:<c@example.org>", server_.commands[4]);
  // The others still get the mail; the user is told about the one refused.
  EXPECT_EQ("<end of data>", server_.commands[6]);
  ASSERT_EQ(1u, messages_.shown.size());
  EXPECT_NE(std::string::npos, messages_.shown[0].find("RCPT TO not accepted"));

  ScriptedServer none(stop_);
  message_.to = " , ";
  Messages shown;
  EXPECT_EQ(Outcome::kFailed, smtp_send(message_, none, stop_, shown, nullptr));
  EXPECT_EQ("MAIL FROM:<recorder@example.org>", none.commands.back());
}

TEST_F(SmtpClientTest, StoppingWhileWaitingEndsWithoutAMessage) {
  for (const char* step : {"EHLO", "MAIL", "RCPT", "DATA", "END"}) {
    SCOPED_TRACE(step);
    Flag stop;
    ScriptedServer server(stop);
    server.stop_at = step;
    Messages shown;
    message_.host_text = "smtp.example:u:p";
    EXPECT_EQ(Outcome::kStopped, smtp_send(message_, server, stop, shown, nullptr));
    EXPECT_TRUE(shown.shown.empty());
    EXPECT_TRUE(server.closed);
  }
}

TEST_F(SmtpClientTest, UnreadableAttachmentFailsBeforeTheServerIsCalledAndAnEmptyOneGoesWithoutData) {
  message_.attachments = {dir_.path("missing.wav")};
  EXPECT_EQ(Outcome::kFailed, send());
  EXPECT_TRUE(server_.commands.empty());
  EXPECT_EQ("", server_.host);

  // An empty recording is mailed, as MAPI and FTP deliver it: its part has no data.
  vt_test::write_file(dir_.path("empty.wav"), {});
  message_.attachments = {dir_.path("empty.wav")};
  ASSERT_EQ(Outcome::kDone, send());
  EXPECT_TRUE(messages_.shown.empty());
  const std::string tail = "filename=\"empty.wav\"\r\n\r\n\r\n--gc0p4Jq0M2Yt08jU534c0--\r\n";
  ASSERT_GT(server_.message.size(), tail.size());
  EXPECT_EQ(tail, server_.message.substr(server_.message.size() - tail.size()));
}

// A server that takes no more bytes: the send budget runs out once, and the dialogue
// ends there with the step's message, whatever was left to send.
TEST_F(SmtpClientTest, FirstFailedSendEndsTheDialogue) {
  struct Case {
    const char* stalls_at;  // the first line the server does not take
    const char* message;
    size_t commands;  // lines the server got before it stalled
  };
  const Case cases[] = {
      {"EHLO", "Mail host server error (HELO not accepted)", 0},
      {"AUTH", "Email authentication username or password not accepted", 1},
      {"user", "Email authentication username or password not accepted", 2},
      {"MAIL", "Mail host server error (MAIL FROM not accepted)", 4},
      {"RCPT", "Mail send error (RCPT TO not accepted). Your server may required authenticated email. Append "
               ":username:password to the SMTP server name for authentication.", 5},
      {"DATA", "Mail host server error (DATA not accepted)", 6},
      {"<message>", "Mail host server error (data terminator not accepted)", 7},
  };
  std::vector<uint8_t> audio(57 * 40, 'a');
  vt_test::write_file(attachment_, audio);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stalls_at);
    Flag stop;
    ScriptedServer server(stop);
    server.stall_at = c.stalls_at;
    Messages shown;
    message_.host_text = "smtp.example:u:p";
    EXPECT_EQ(Outcome::kFailed, smtp_send(message_, server, stop, shown, nullptr));
    EXPECT_EQ(std::vector<std::string>{c.message}, shown.shown);
    EXPECT_EQ(1, server.failed_sends);
    EXPECT_EQ(c.commands, server.commands.size());
    EXPECT_TRUE(server.closed);
  }
}

TEST_F(SmtpClientTest, MessageOnTheWire) {
  message_.body = ".first\r\n.second\r\nx\r\n..third gc0p4Jq0M2Yt08jU534c0\r\n";
  std::vector<uint8_t> bytes(58);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  vt_test::write_file(attachment_, bytes);
  MailTime now = {0, 6, 12, 2026, 9, 5, 7, 60};
  ASSERT_EQ(Outcome::kDone, smtp_send(message_, server_, stop_, messages_, &now));
  const std::string b = "gc0p4Jq0M2Yt08jU534c1";
  EXPECT_EQ("MIME-Version: 1.0\r\nFrom: recorder@example.org\r\nTo: someone@example.org\r\nSubject: Subject\r\n"
            "Date: Sun, 06 Dec 2026 09:05:07 +0100\r\n"
            "X-Mailer: Vocatrack Sound Recorder http://www.ardentine.com\r\n"
            "Content-Type: multipart/mixed; boundary=" + b + "\r\n\r\n--" + b + "\r\n"
            "Content-Type: text/plain; charset=windows-1252\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
            ".first\r\n..second\r\nx\r\n...third gc0p4Jq0M2Yt08jU534c0\r\n"
            "\r\n--" + b + "\r\nContent-Type: audio/wav; name=\"Untitled 1.wav\"\r\n"
            "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"Untitled 1.wav\"\r\n\r\n"
            "AAcOFRwjKjE4P0ZNVFtiaXB3foWMk5qhqK+2vcTL0tng5+71/AMKERgfJi00O0JJUFdeZWxzeoGI\r\n"
            "jw==\r\n"
            "\r\n--" + b + "--\r\n",
            server_.message);
}

TEST(MailText, HostTextForms) {
  struct Case {
    const char* text;
    const char* host;
    const char* name;
    const char* user;
    const char* password;
    int port;
  };
  const Case cases[] = {
      {"smtp.example", "smtp.example", "smtp.example", "", "", 25},
      {"192.168.0.4", "192.168.0.4", "192.168.0.4", "", "", 25},
      {"smtp.example:jean:pa:ss", "smtp.example", "smtp.example", "jean", "pa:ss", 25},
      {"smtp.example:jean", "smtp.example", "smtp.example", "jean", "", 25},
      {"jean:pw@smtp.example:587", "smtp.example:587", "smtp.example", "jean", "pw", 587},
      {"jean@home.fr:pw@smtp.example", "smtp.example", "smtp.example", "jean@home.fr", "pw", 25},
      {"a@b@c@d", "c@d", "c@d", "a@b", "", 25},
      {"jean@smtp.example", "smtp.example", "smtp.example", "jean", "", 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SmtpHost parsed = parse_smtp_host(c.text);
    EXPECT_EQ(c.host, parsed.host);
    EXPECT_EQ(c.name, parsed.name);
    EXPECT_EQ(c.user, parsed.user);
    EXPECT_EQ(c.password, parsed.password);
    EXPECT_EQ(c.port, parsed.port);
  }
}

TEST(MailText, Base64OfTheStandardsVectors) {
  // RFC 4648 section 10.
  const char* const plain[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
  const char* const encoded[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(encoded[i], base64_encode(reinterpret_cast<const uint8_t*>(plain[i]), std::strlen(plain[i])));
  const uint8_t high[] = {0xFB, 0xFF, 0xBF};
  EXPECT_EQ("+/+/", base64_encode(high, 3));
}

TEST(MailText, DateUsesTheOffsetInEffect) {
  MailTime summer = {3, 1, 7, 2026, 23, 59, 58, 120};
  EXPECT_EQ("Wed, 01 Jul 2026 23:59:58 +0200", format_mail_date(summer));
  MailTime west = {6, 31, 1, 2026, 0, 0, 0, -300};
  EXPECT_EQ("Sat, 31 Jan 2026 00:00:00 -0500", format_mail_date(west));
  MailTime utc = {1, 2, 2, 2026, 1, 2, 3, 0};
  EXPECT_EQ("Mon, 02 Feb 2026 01:02:03 +0000", format_mail_date(utc));
  MailTime half = {1, 2, 2, 2026, 1, 2, 3, 330};
  EXPECT_EQ("Mon, 02 Feb 2026 01:02:03 +0530", format_mail_date(half));
}

TEST(MailText, BoundaryAvoidsTheBody) {
  EXPECT_EQ("gc0p4Jq0M2Yt08jU534c0", choose_boundary("plain"));
  EXPECT_EQ("gc0p4Jq0M2Yt08jU534c1", choose_boundary("x gc0p4Jq0M2Yt08jU534c0 y"));
  std::string all;
  for (int i = 0; i < 100; ++i) all += "gc0p4Jq0M2Yt08jU534c" + std::to_string(i) + " ";
  EXPECT_EQ("gc0p4Jq0M2Yt08jU534c99", choose_boundary(all));
}

TEST(MailText, AttachmentTypesByExtension) {
  EXPECT_STREQ("audio/wav", attachment_content_type("TAKE.WAV"));
  EXPECT_STREQ("audio/mpeg", attachment_content_type("a.b.Mp3"));
  EXPECT_STREQ("application/octet-stream", attachment_content_type("song.aiff"));
  EXPECT_STREQ("application/octet-stream", attachment_content_type("noextension"));
}

// Python's own header decoding reads the French subject back (CP1252 bytes here).
TEST(MailText, EncodedSubjectDecodesInPython) {
  const std::string subject =
      "Vocatrack Sound Recorder - Enregistrement envoy\xe9 par Email  Untitled \xe0 l'\xe9t\xe9 = 100% ?_.wav";
  std::string encoded = encode_header_text(subject);
  for (size_t start = 0, end; start < encoded.size(); start = end + 3) {
    end = encoded.find("\r\n ", start);
    if (end == std::string::npos) end = encoded.size();
    EXPECT_LE(end - start, 75u);
  }
  vt_test::TempDir dir;
  vt_test::write_file(dir.path("subject"), std::vector<uint8_t>(encoded.begin(), encoded.end()));
  std::string decoded;
  ASSERT_EQ(0, vt_test::run_command("/usr/bin/python3 -c \"import sys, email.header as h; "
                                    "sys.stdout.buffer.write(str(h.make_header(h.decode_header(open(sys.argv[1]).read())))"
                                    ".encode('cp1252'))\" " + dir.path("subject"),
                                    &decoded));
  EXPECT_EQ(subject, decoded);
  EXPECT_EQ("Plain ASCII", encode_header_text("Plain ASCII"));
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST(MailText, MapiRecipientTokens) {
  EXPECT_EQ((std::vector<std::string>{"a@x.org", "b@y.org", "c@z.org"}), mapi_recipients("a@x.org, b@y.org ,\tc@z.org"));
  EXPECT_EQ((std::vector<std::string>{"jean@x.org", "b@y.org"}),
            mapi_recipients("Jean Dupont \"jean@x.org\" trailing, b@y.org"));
  EXPECT_TRUE(mapi_recipients("   \t ").empty());
  EXPECT_EQ(std::vector<std::string>{std::string(259, 'r')}, mapi_recipients(std::string(300, 'r')));
}

}  // namespace
}  // namespace vt
