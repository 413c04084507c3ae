// content/questions/questions.xml: the question bank, kept as UTF-8 for
// editing and stored in the packed tree in windows-1251, as it declares.
#include "disc/build/StepFiles.h"
#include "disc/build/Steps.h"
#include "platform/Text.h"

namespace trv::disc {

bool BuildQuestionBank(const BuildContext& ctx) {
  const auto stage = ctx.TreeStage("questions");
  ResetStage(stage);
  const auto source = ctx.contentDir / "questions" / "questions.xml";
  if (!std::filesystem::exists(source)) {
    ctx.Log("content/questions/questions.xml is missing: the disc has no questions");
    return false;
  }
  const auto text = ReadSource(ctx, source);
  if (!text) return false;
  if (text->find("encoding=\"windows-1251\"") == std::string::npos) {
    ctx.Log("questions.xml:1: the declaration must name encoding=\"windows-1251\"");
    return false;
  }
  bool ok = true;
  const std::string bytes = Utf8ToCp1251(*text, &ok);
  if (!ok) {
    // Find the line for the person fixing it.
    int line = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text->size(); ++i) {
      if (i == text->size() || (*text)[i] == '\n') {
        bool lineOk = true;
        Utf8ToCp1251(std::string_view(*text).substr(start, i - start), &lineOk);
        if (!lineOk) break;
        ++line;
        start = i + 1;
      }
    }
    ctx.Log("questions.xml:" + std::to_string(line) + ": a character outside code page 1251");
    return false;
  }
  return WriteStaged(ctx, stage, "questions.xml", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace trv::disc
