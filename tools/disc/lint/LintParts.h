#pragma once

#include "disc/lint/LintContext.h"

// The checks of each kind of file; LintDisc runs them in this order, since the
// later ones look names up in what Struct.txt declares.
namespace trv::disc::lint {

void LintShellScript(LintContext& ctx, const TDynamicStringArray& lines);
void LintDialogScript(LintContext& ctx, const TDynamicStringArray& lines);
void LintOptionsScript(LintContext& ctx, const TDynamicStringArray& lines);
void LintAboutScript(LintContext& ctx, const TDynamicStringArray& lines);
void LintQuestionBank(LintContext& ctx);

}  // namespace trv::disc::lint
