// Test support: stand-ins for `sendmail` and `xdg-email` that store what they receive, and a
// reader that parses a stored message back with the MIME library. Used only by tests.
#pragma once

#include <gmime/gmime.h>

#include <sstream>
#include <string>
#include <vector>

#include <zorbase/platform/internal/fake_programs.h>

namespace zb {
namespace test {

// A fresh PATH holding only the programs a test adds (no system directories, so the machine's
// own mail programs are never found), with the mail time-out and the runtime folder set for the
// test's lifetime.
class MailPrograms {
 public:
  explicit MailPrograms(const std::string& name, const char* timeout_ms = "20000")
      : fakes_(name),
        timeout_("ZORBASE_MAIL_TIMEOUT_MS", timeout_ms),
        runtime_("XDG_RUNTIME_DIR", MakeRuntimeDir(fakes_).c_str()) {}

  // A sendmail that stores its arguments (one a line) in "sendmail.args" and its input in
  // "sendmail.eml".
  void AddSendmail(int exit_code = 0) const {
    fakes_.Add("sendmail", "printf '%s\\n' \"$@\" > '" + Path("sendmail.args") + "'\n/bin/cat > '" +
                               Path("sendmail.eml") + "'\nexit " + std::to_string(exit_code));
  }
  // An xdg-email that stores its arguments in "xdg-email.args" and the bytes of each file given
  // to --attach, in order, in "attached.N".
  void AddXdgEmail(int exit_code = 0) const {
    fakes_.Add("xdg-email",
               "printf '%s\\n' \"$@\" > '" + Path("xdg-email.args") + "'\nn=0\nwhile [ $# -gt 0 ]; do\n"
               "  if [ \"$1\" = --attach ]; then n=$((n+1)); /bin/cp \"$2\" '" + Path("attached.") +
                   "'$n; fi\n  shift\ndone\nexit " + std::to_string(exit_code));
  }
  void Add(const std::string& name, const std::string& body) const { fakes_.Add(name, body); }

  std::string Path(const std::string& file) const { return fakes_.dir().Native(file); }
  std::string Get(const std::string& file) const { return fakes_.dir().Get(file); }
  bool Has(const std::string& file) const { return fakes_.dir().Exists(file); }
  std::vector<std::string> Lines(const std::string& file) const {
    std::vector<std::string> lines;
    std::istringstream in(Get(file));
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  }
  const ScratchDir& dir() const { return fakes_.dir(); }

 private:
  // The session's runtime folder, where the copies for xdg-email go: "runtime" in the scratch
  // folder, so that tests leave nothing behind.
  static std::string MakeRuntimeDir(const FakePrograms& fakes) {
    fakes.dir().Put("runtime/.keep", "");
    return fakes.dir().Native("runtime");
  }

  FakePrograms fakes_;
  ScopedEnv timeout_;
  ScopedEnv runtime_;
};

struct ParsedAttachment {
  std::string file_name;
  std::string media_type;
  std::string encoding;
  std::string bytes;
};

struct ParsedMail {
  bool ok = false;  // parsed as a message with a body
  std::string subject;
  std::vector<std::string> to, cc, bcc;  // addresses
  std::vector<std::string> to_names;
  std::string body;
  std::string body_type;
  std::vector<ParsedAttachment> attachments;
};

inline std::vector<std::string> Addresses(InternetAddressList* list, std::vector<std::string>* names = nullptr) {
  std::vector<std::string> out;
  for (int i = 0; list != nullptr && i < internet_address_list_length(list); ++i) {
    InternetAddress* a = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_MAILBOX(a)) {
      out.push_back(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
      if (names != nullptr) {
        const char* name = internet_address_get_name(a);
        names->push_back(name != nullptr ? name : "");
      }
    } else {
      out.push_back("(group)");
    }
  }
  return out;
}

inline std::string Decoded(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return std::string();
  GMimeStream* out = g_mime_stream_mem_new();
  g_mime_data_wrapper_write_to_stream(content, out);
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
  std::string result(reinterpret_cast<const char*>(bytes->data), bytes->len);
  g_object_unref(out);
  return result;
}

// Parses `text` as a message with the MIME library.
inline ParsedMail ParseMail(const std::string& text) {
  g_mime_init();
  ParsedMail mail;
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(text.data(), text.size());
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
  g_object_unref(parser);
  g_object_unref(stream);
  if (message == nullptr) return mail;
  const char* subject = g_mime_message_get_subject(message);
  mail.subject = subject != nullptr ? subject : "";
  mail.to = Addresses(g_mime_message_get_to(message), &mail.to_names);
  mail.cc = Addresses(g_mime_message_get_cc(message));
  mail.bcc = Addresses(g_mime_message_get_bcc(message));
  GMimeObject* top = g_mime_message_get_mime_part(message);
  std::vector<GMimeObject*> parts;
  if (top != nullptr && GMIME_IS_MULTIPART(top)) {
    for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(top)); ++i) {
      parts.push_back(g_mime_multipart_get_part(GMIME_MULTIPART(top), i));
    }
  } else if (top != nullptr) {
    parts.push_back(top);
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!GMIME_IS_PART(parts[i])) continue;
    GMimePart* part = GMIME_PART(parts[i]);
    GMimeContentType* type = g_mime_object_get_content_type(parts[i]);
    char* media = g_mime_content_type_get_mime_type(type);
    if (i == 0 && GMIME_IS_TEXT_PART(parts[i])) {
      char* text_body = g_mime_text_part_get_text(GMIME_TEXT_PART(parts[i]));
      mail.body = text_body != nullptr ? text_body : "";
      g_free(text_body);
      mail.body_type = media;
      mail.ok = true;
    } else {
      ParsedAttachment attachment;
      const char* name = g_mime_part_get_filename(part);
      attachment.file_name = name != nullptr ? name : "";
      attachment.media_type = media;
      attachment.encoding = g_mime_content_encoding_to_string(g_mime_part_get_content_encoding(part));
      attachment.bytes = Decoded(part);
      mail.attachments.push_back(attachment);
    }
    g_free(media);
  }
  g_object_unref(message);
  return mail;
}

// The header block of a message (up to the first empty line), each folded line unfolded.
inline std::vector<std::string> HeaderLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && !line.empty()) {
    if ((line[0] == ' ' || line[0] == '\t') && !lines.empty()) {
      lines.back() += line;
    } else {
      lines.push_back(line);
    }
  }
  return lines;
}

}  // namespace test
}  // namespace zb
