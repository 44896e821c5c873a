// Addresses and MIME messages through GMime: recipients are parsed by the MIME library and checked
// to be exactly one plain mailbox, and the message is composed by it, so header encoding (non-ASCII
// subjects and names), parameter encoding (file names) and base64 are the library's, not ours.
#include <zorbase/platform/portable/mail_delivery.h>

#include <gio/gio.h>
#include <gmime/gmime.h>

#include <cstdlib>
#include <mutex>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/ascii.h>

namespace zb {
namespace platform {
namespace {

void InitMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

bool IsControl(wchar_t c) {
  return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029;
}

// An address as sendmail and xdg-email take it without further quoting: printable ASCII without
// white space or the characters that delimit addresses, one '@' with text on both sides, and no
// leading '-' (a program could read it as an option).
bool IsPlainAddress(const std::string& address) {
  if (address.empty() || address[0] == '-') return false;
  std::size_t at_count = 0;
  for (char c : address) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) return false;
    if (std::string("<>(),;:\\\"[]").find(c) != std::string::npos) return false;
    if (c == '@') ++at_count;
  }
  const std::size_t at = address.find('@');
  return at_count == 1 && at > 0 && at + 1 < address.size();
}

// The MIME library's parser skips what it cannot read; the address it found must therefore be the
// whole text, or the whole of the text's final "<...>".
bool WholeAddressParsed(const std::string& text, const std::string& address) {
  if (text.empty() || text.back() != '>') return text == address;
  const std::size_t open = text.rfind('<');
  return open != std::string::npos && text.compare(open + 1, text.size() - open - 2, address) == 0;
}

std::string NormaliseLineEnds(const std::wstring& text) {
  std::string utf8 = WideToUtf8(text);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

bool IsToken(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F || std::string("()<>@,;:\\\"/[]?=").find(c) != std::string::npos) {
      return false;
    }
  }
  return true;
}

// Splits "type/subtype" when both are tokens.
bool SplitMediaType(const std::string& media_type, std::string* type, std::string* subtype) {
  const std::size_t slash = media_type.find('/');
  if (slash == std::string::npos) return false;
  *type = media_type.substr(0, slash);
  *subtype = media_type.substr(slash + 1);
  return IsToken(*type) && IsToken(*subtype);
}

void AddMailboxes(GMimeMessage* message, GMimeAddressType type,
                  const std::vector<MailAddress>& addresses) {
  for (const MailAddress& a : addresses) {
    g_mime_message_add_mailbox(message, type, a.name.empty() ? nullptr : a.name.c_str(),
                               a.address.c_str());
  }
}

GMimeObject* AttachmentPart(const MailAttachment& attachment) {
  const std::string name = WideToUtf8(attachment.name);
  std::string type, subtype;
  if (!SplitMediaType(attachment.media_type, &type, &subtype)) {
    SplitMediaType(GuessMediaType(name, attachment.bytes), &type, &subtype);
  }
  GMimePart* part = g_mime_part_new_with_type(type.c_str(), subtype.c_str());
  g_mime_object_set_disposition(GMIME_OBJECT(part), GMIME_DISPOSITION_ATTACHMENT);
  if (!name.empty()) g_mime_part_set_filename(part, name.c_str());
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(
      reinterpret_cast<const char*>(attachment.bytes.data()), attachment.bytes.size());
  GMimeDataWrapper* content = g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
  g_mime_part_set_content(part, content);
  g_object_unref(content);
  g_object_unref(stream);
  g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
  return GMIME_OBJECT(part);
}

}  // namespace

bool ParseMailAddress(const std::wstring& text, MailAddress* out) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && internal::IsAsciiSpace(text[begin])) ++begin;
  while (end > begin && internal::IsAsciiSpace(text[end - 1])) --end;
  std::wstring trimmed = text.substr(begin, end - begin);
  for (wchar_t c : trimmed) {
    if (IsControl(c)) return false;  // a line break would start a header of its own
  }
  if (trimmed.size() > 5 && internal::AsciiToLower(trimmed[0]) == L's' &&
      internal::AsciiToLower(trimmed[1]) == L'm' && internal::AsciiToLower(trimmed[2]) == L't' &&
      internal::AsciiToLower(trimmed[3]) == L'p' && trimmed[4] == L':') {
    trimmed.erase(0, 5);
  }
  InitMime();
  const std::string utf8 = WideToUtf8(trimmed);
  InternetAddressList* list = internet_address_list_parse(nullptr, utf8.c_str());
  if (list == nullptr) return false;
  bool ok = internet_address_list_length(list) == 1;
  if (ok) {
    InternetAddress* parsed = internet_address_list_get_address(list, 0);
    ok = INTERNET_ADDRESS_IS_MAILBOX(parsed);
    if (ok) {
      const char* address = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(parsed));
      const char* name = internet_address_get_name(parsed);
      MailAddress result;
      result.address = address != nullptr ? address : "";
      result.name = name != nullptr ? name : "";
      ok = IsPlainAddress(result.address) && WholeAddressParsed(utf8, result.address);
      if (ok && out != nullptr) *out = result;
    }
  }
  g_object_unref(list);
  return ok;
}

std::string GuessMediaType(const std::string& name_utf8, const std::string& bytes) {
  std::string result = "application/octet-stream";
  gboolean uncertain = FALSE;
  gchar* content_type = g_content_type_guess(
      name_utf8.empty() ? nullptr : name_utf8.c_str(),
      reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), &uncertain);
  if (content_type != nullptr) {
    gchar* mime = g_content_type_get_mime_type(content_type);
    std::string type, subtype;
    if (mime != nullptr && SplitMediaType(mime, &type, &subtype)) result = mime;
    g_free(mime);
    g_free(content_type);
  }
  return result;
}

std::string BuildMimeMessage(const MailMessage& message, const std::vector<MailAddress>& to,
                             const std::vector<MailAddress>& cc, const std::vector<MailAddress>& bcc) {
  InitMime();
  GMimeMessage* mime = g_mime_message_new(TRUE);
  AddMailboxes(mime, GMIME_ADDRESS_TYPE_TO, to);
  AddMailboxes(mime, GMIME_ADDRESS_TYPE_CC, cc);
  AddMailboxes(mime, GMIME_ADDRESS_TYPE_BCC, bcc);  // sendmail -t delivers and removes these
  g_mime_message_set_subject(mime, SubjectLine(message.subject).c_str(), "utf-8");
  GDateTime* now = g_date_time_new_now_local();
  g_mime_message_set_date(mime, now);
  g_date_time_unref(now);
  char* id = g_mime_utils_generate_message_id(g_get_host_name());
  g_mime_message_set_message_id(mime, id);
  g_free(id);

  GMimeTextPart* text = g_mime_text_part_new_with_subtype("plain");
  // The body goes in as UTF-8 bytes (set_text would re-encode it in a narrower character set).
  const std::string body = NormaliseLineEnds(message.body);
  GMimeStream* body_stream = g_mime_stream_mem_new_with_buffer(body.data(), body.size());
  GMimeDataWrapper* body_content =
      g_mime_data_wrapper_new_with_stream(body_stream, GMIME_CONTENT_ENCODING_DEFAULT);
  g_mime_part_set_content(GMIME_PART(text), body_content);
  g_object_unref(body_content);
  g_object_unref(body_stream);
  g_mime_text_part_set_charset(text, "utf-8");
  g_mime_part_set_content_encoding(
      GMIME_PART(text),
      g_mime_part_get_best_content_encoding(GMIME_PART(text), GMIME_ENCODING_CONSTRAINT_7BIT));

  if (message.attachments.empty()) {
    g_mime_message_set_mime_part(mime, GMIME_OBJECT(text));
  } else {
    GMimeMultipart* mixed = g_mime_multipart_new_with_subtype("mixed");
    g_mime_multipart_add(mixed, GMIME_OBJECT(text));
    for (const MailAttachment& attachment : message.attachments) {
      GMimeObject* part = AttachmentPart(attachment);
      g_mime_multipart_add(mixed, part);
      g_object_unref(part);
    }
    g_mime_message_set_mime_part(mime, GMIME_OBJECT(mixed));
    g_object_unref(mixed);
  }
  g_object_unref(text);

  GMimeStream* out = g_mime_stream_mem_new();
  g_mime_object_write_to_stream(GMIME_OBJECT(mime), nullptr, out);
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
  std::string result(reinterpret_cast<const char*>(bytes->data), bytes->len);
  g_object_unref(out);
  g_object_unref(mime);
  return result;
}

std::string SubjectLine(const std::wstring& subject) {
  std::string line = NormaliseLineEnds(subject);
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  return line;
}

DWORD MailTimeoutMs() {
  const char* text = std::getenv("ZORBASE_MAIL_TIMEOUT_MS");
  if (text != nullptr && *text != '\0') {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end != nullptr && *end == '\0' && value > 0 && value <= 24ul * 3600 * 1000) {
      return static_cast<DWORD>(value);
    }
  }
  return 30000;
}

}  // namespace platform
}  // namespace zb
