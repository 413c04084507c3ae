#include "game/QuestionFile.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <charconv>
#include <memory>
#include <string_view>

#include "platform/Text.h"

namespace trv {
namespace {

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct CtxtFree {
  void operator()(xmlParserCtxt* c) const { xmlFreeParserCtxt(c); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
using CtxtPtr = std::unique_ptr<xmlParserCtxt, CtxtFree>;

// No network, no external entities or DTDs, no messages on stderr (problems
// come back as data), line numbers past 65535 kept.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES;

std::string_view Name(const xmlNode* n) { return reinterpret_cast<const char*>(n->name); }

int LineOf(const xmlNode* n) {
  const long line = xmlGetLineNo(n);
  return line > 0 && line < 0x7FFFFFFF ? int(line) : 0;
}

// A whole number with an optional sign, blanks around it allowed.
bool ParseWhole(std::string_view text, std::int32_t* out) {
  const std::string t = Trim(text);
  const char* b = t.data();
  const char* e = t.data() + t.size();
  if (b != e && *b == '+') ++b;
  if (b == e) return false;
  auto [ptr, ec] = std::from_chars(b, e, *out);
  return ec == std::errc() && ptr == e;
}

class Reader {
 public:
  explicit Reader(QuestionFile& file) : f_(file) {}

  void Problem(int line, bool fatal, std::string message) { f_.problems.push_back({line, fatal, std::move(message)}); }

  // The UTF-8 text of a node in CP1251; characters the code page lacks are
  // reported once per question.
  std::string Text(const xmlNode* n, int questionLine, bool& reported) {
    xmlChar* raw = xmlNodeGetContent(n);
    std::string utf8 = raw ? reinterpret_cast<const char*>(raw) : "";
    xmlFree(raw);
    bool ok = true;
    std::string text = Utf8ToCp1251(utf8, &ok);
    if (!ok && !reported) {
      reported = true;
      Problem(LineOf(n) ? LineOf(n) : questionLine, false,
              "question text holds characters that code page 1251 cannot show; they become '?'");
    }
    return text;
  }

  void ReadQuestion(const xmlNode* q) {
    TQuestion question;
    QuestionPlace place;
    place.line = LineOf(q);
    const std::string where = "question on line " + std::to_string(place.line);
    if (Name(q) != "QUESTION")
      Problem(place.line, false, "element <" + std::string(Name(q)) + "> under the root is read as a question");

    xmlChar* id = xmlGetProp(q, reinterpret_cast<const xmlChar*>("ID"));
    if (!id) {
      Problem(place.line, true, where + " has no ID attribute");
    } else {
      const std::string value = reinterpret_cast<const char*>(id);
      xmlFree(id);
      if (!ParseWhole(value, &question.ID))
        Problem(place.line, true, where + ": ID \"" + value + "\" is not a whole number");
    }

    bool hasLevel = false, hasText = false, hasHint = false, hasComment = false, reported = false;
    for (const xmlNode* c = q->children; c; c = c->next) {
      if (c->type != XML_ELEMENT_NODE) continue;
      const std::string_view name = Name(c);
      if (name == "LEVEL" && !hasLevel) {
        hasLevel = true;
        const std::string value = Text(c, place.line, reported);
        if (!ParseWhole(value, &question.Level))
          Problem(LineOf(c), true, where + ": LEVEL \"" + Cp1251ToUtf8(value) + "\" is not a whole number");
      } else if (name == "TEXT" && !hasText) {
        hasText = true;
        question.Text = Text(c, place.line, reported);
      } else if (name == "HINT" && !hasHint) {
        hasHint = true;
        question.Hint = Text(c, place.line, reported);
      } else if (name == "COMMENT" && !hasComment) {
        hasComment = true;
        question.Comment = Text(c, place.line, reported);
      } else if (name == "ANSWER") {
        question.Answers.push_back(Text(c, place.line, reported));
        place.answerLines.push_back(LineOf(c) ? LineOf(c) : place.line);
      }
    }
    if (!hasLevel) Problem(place.line, true, where + " has no LEVEL");
    if (!hasText) Problem(place.line, true, where + " has no TEXT");
    f_.questions.push_back(std::move(question));
    f_.places.push_back(std::move(place));
  }

  void ReadRoot(const xmlNode* root) {
    f_.rootLine = LineOf(root);
    if (Name(root) != "PQuestions")
      Problem(f_.rootLine, false,
              "the root element is <" + std::string(Name(root)) + ">, not <PQuestions>; its children are read all the same");
    for (const xmlNode* q = root->children; q; q = q->next)
      if (q->type == XML_ELEMENT_NODE) ReadQuestion(q);
  }

 private:
  QuestionFile& f_;
};

DocPtr Parse(std::span<const std::uint8_t> bytes, int options, xmlError* error) {
  CtxtPtr ctxt(xmlNewParserCtxt());
  if (!ctxt) return nullptr;
  DocPtr doc(xmlCtxtReadMemory(ctxt.get(), reinterpret_cast<const char*>(bytes.data()), int(bytes.size()),
                               "questions.xml", nullptr, options));
  const bool wellFormed = doc && ctxt->wellFormed;
  if (!wellFormed && error) {
    const xmlError* last = xmlCtxtGetLastError(ctxt.get());
    error->line = last ? last->line : 0;
    error->code = last ? last->code : -1;
    error->message = last && last->message ? xmlMemStrdup(last->message) : nullptr;
  }
  if (!wellFormed && !(options & XML_PARSE_RECOVER)) return nullptr;
  return doc;
}

bool IsBlank(std::uint8_t b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; }

// Nothing but blanks, perhaps after an XML declaration: an empty bank, which
// is no fault.
bool Blank(std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  while (i < bytes.size() && IsBlank(bytes[i])) ++i;
  const std::string_view rest(reinterpret_cast<const char*>(bytes.data()) + i, bytes.size() - i);
  if (rest.starts_with("<?xml")) {
    const std::size_t end = rest.find("?>");
    if (end == std::string_view::npos) return false;
    i += end + 2;
  }
  while (i < bytes.size() && IsBlank(bytes[i])) ++i;
  return i == bytes.size();
}

}  // namespace

bool QuestionFile::Rejected() const {
  for (const QuestionProblem& p : problems)
    if (p.fatal) return true;
  return false;
}

QuestionFile ReadQuestionFile(std::span<const std::uint8_t> bytes) {
  QuestionFile file;
  if (Blank(bytes)) return file;
  if (bytes.size() > kMaxQuestionFile) {
    file.problems.push_back({0, true, "the file is larger than " + std::to_string(kMaxQuestionFile >> 20) + " MiB"});
    return file;
  }

  xmlInitParser();
  xmlError error{};
  DocPtr doc = Parse(bytes, kParseOptions, &error);
  if (!doc) {
    std::string message = error.message ? Trim(error.message) : "unreadable";
    xmlFree(error.message);
    file.problems.push_back({error.line > 0 ? error.line : 0, true, "not well-formed XML: " + message});
    // Read what can be read, so that a checker reports the rest of the file too.
    doc = Parse(bytes, kParseOptions | XML_PARSE_RECOVER, nullptr);
    if (!doc) return file;
  }
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root) return file;
  Reader(file).ReadRoot(root);
  return file;
}

}  // namespace trv
