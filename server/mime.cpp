#include "server/mime.hpp"

#include <algorithm>
#include <cctype>

namespace talewick::server::mime {

namespace {

// Beyond this depth a part's body is kept as it is: a message made of thousands of nested
// multiparts must not exhaust the stack.
constexpr int MAX_DEPTH = 12;

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// One line of `text` starting at `pos`: its content without the line end, and where the next
// line starts.
struct Line {
  std::string_view content;
  std::size_t next;
};

Line lineAt(std::string_view text, std::size_t pos) {
  const std::size_t end = text.find('\n', pos);
  if (end == std::string_view::npos) return {text.substr(pos), text.size()};
  std::string_view content = text.substr(pos, end - pos);
  if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
  return {content, end + 1};
}

// Splits "type/subtype; a=1; b="x; y"" into the lower-case type and its parameters.
void readContentType(std::string_view value, Part& part) {
  std::vector<std::string> pieces(1);
  bool quoted = false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quoted && c == '\\' && i + 1 < value.size()) {
      pieces.back() += value[++i];
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ';' && !quoted) {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  const std::string type = lower(trim(pieces.front()));
  if (type.find('/') != std::string::npos) part.mediaType = type;
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const std::size_t equals = pieces[i].find('=');
    if (equals == std::string::npos) continue;
    part.parameters[lower(trim(std::string_view(pieces[i]).substr(0, equals)))] =
        std::string(trim(std::string_view(pieces[i]).substr(equals + 1)));
  }
}

Part parseAt(std::string_view text, int depth);

// The pieces of a multipart body between its "--boundary" lines (the line end before each
// delimiter belongs to it).
std::vector<std::string_view> multipartPieces(std::string_view body, const std::string& boundary) {
  std::vector<std::string_view> pieces;
  const std::string delimiter = "--" + boundary;
  std::optional<std::size_t> start;  // where the current piece began
  std::size_t previousLineEnd = 0;   // where the line before the current one ended its content
  for (std::size_t pos = 0; pos < body.size();) {
    const Line line = lineAt(body, pos);
    if (line.content.starts_with(delimiter)) {
      const std::string_view rest = trim(line.content.substr(delimiter.size()));
      if (rest.empty() || rest == "--") {
        if (start)
          pieces.push_back(body.substr(*start, std::max(previousLineEnd, *start) - *start));
        if (rest == "--") return pieces;
        start = line.next;
      }
    }
    previousLineEnd = pos + line.content.size();
    pos = line.next;
  }
  if (start && *start < body.size()) pieces.push_back(body.substr(*start));
  return pieces;
}

Part parseAt(std::string_view text, int depth) {
  Part part;
  std::size_t pos = 0;
  bool first = true;
  while (pos < text.size()) {
    const std::size_t lineStart = pos;
    const Line line = lineAt(text, pos);
    pos = line.next;
    if (line.content.empty()) break;  // the end of the headers
    if ((line.content.front() == ' ' || line.content.front() == '\t') && !part.headers.empty()) {
      part.headers.back().value += line.content;
    } else if (const std::size_t colon = line.content.find(':');
               colon != std::string_view::npos && colon > 0) {
      part.headers.push_back({lower(trim(line.content.substr(0, colon))),
                              std::string(trim(line.content.substr(colon + 1)))});
    } else if (!(first && line.content.starts_with("From "))) {
      // Not a header (a mailbox file's "From " line is one we may meet first): the headers ended
      // without their blank line, and this line is the body's first.
      pos = lineStart;
      break;
    }
    first = false;
  }
  for (Header& header : part.headers) header.value = std::string(trim(header.value));
  const std::string_view body = pos < text.size() ? text.substr(pos) : std::string_view();

  if (const std::optional<std::string> type = part.header("content-type")) {
    readContentType(*type, part);
  }
  const std::string encoding = lower(trim(part.header("content-transfer-encoding").value_or("")));
  std::string decoded;
  if (encoding == "base64") {
    decoded = decodeBase64(body);
  } else if (encoding == "quoted-printable") {
    decoded = decodeQuotedPrintable(body);
  } else {
    decoded = std::string(body);
  }

  const auto boundary = part.parameters.find("boundary");
  if (depth < MAX_DEPTH && part.mediaType.starts_with("multipart/") &&
      boundary != part.parameters.end() && !boundary->second.empty()) {
    for (const std::string_view piece : multipartPieces(body, boundary->second)) {
      part.parts.push_back(parseAt(piece, depth + 1));
    }
  } else if (depth < MAX_DEPTH && part.mediaType == "message/rfc822") {
    part.parts.push_back(parseAt(decoded, depth + 1));
  } else {
    part.body = std::move(decoded);
  }
  return part;
}

void collect(const Part& part, const std::vector<std::string_view>& types,
             std::vector<const Part*>& found) {
  if (std::find(types.begin(), types.end(), part.mediaType) != types.end()) found.push_back(&part);
  for (const Part& child : part.parts) collect(child, types, found);
}

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> Part::header(std::string_view name) const {
  const std::string wanted = lower(name);
  for (const Header& header : headers) {
    if (header.name == wanted) return header.value;
  }
  return std::nullopt;
}

std::vector<std::string> Part::all(std::string_view name) const {
  const std::string wanted = lower(name);
  std::vector<std::string> values;
  for (const Header& header : headers) {
    if (header.name == wanted) values.push_back(header.value);
  }
  return values;
}

Part parse(std::string_view text) { return parseAt(text, 0); }

std::vector<const Part*> partsOfType(const Part& message,
                                     const std::vector<std::string_view>& mediaTypes) {
  std::vector<const Part*> found;
  collect(message, mediaTypes, found);
  return found;
}

std::vector<std::string> addresses(std::string_view value) {
  std::vector<std::string> found;
  std::string bare, angled;
  bool inAngle = false, sawAngle = false, quoted = false;
  int comment = 0;
  const auto endItem = [&] {
    const std::string_view address = trim(sawAngle ? angled : bare);
    if (address.find('@') != std::string_view::npos) found.emplace_back(address);
    bare.clear();
    angled.clear();
    sawAngle = inAngle = false;
  };
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quoted) {
      if (c == '\\') ++i;
      if (c == '"') quoted = false;
    } else if (comment > 0) {
      if (c == '\\') ++i;
      if (c == '(') ++comment;
      if (c == ')') --comment;
    } else if (inAngle) {
      if (c == '>') {
        inAngle = false;
      } else {
        angled += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      comment = 1;
    } else if (c == '<') {
      inAngle = sawAngle = true;
      angled.clear();
    } else if (c == ',' || c == ';') {
      endItem();
    } else if (c == ':') {
      bare.clear();  // a group's name ("team: a@x, b@y;")
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      bare += c;
    }
  }
  endItem();
  return found;
}

std::string decodeBase64(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 4);
  unsigned int buffer = 0;
  int bits = 0;
  for (const char c : text) {
    if (c == '=') break;
    const int value = base64Value(c);
    if (value < 0) continue;  // line breaks, and whatever else slipped in
    buffer = (buffer << 6) | static_cast<unsigned int>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

std::string decodeQuotedPrintable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '=') {
      out += c;
      continue;
    }
    // A soft line break: "=" at the end of a line (spaces before the line end allowed).
    std::size_t j = i + 1;
    while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
    if (j < text.size() && (text[j] == '\r' || text[j] == '\n')) {
      if (text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ++j;
      i = j;
      continue;
    }
    if (j == text.size()) break;
    if (i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;  // a lone "=": kept, as readers are told to
    }
  }
  return out;
}

}  // namespace talewick::server::mime
