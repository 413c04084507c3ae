#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "disc/build/BuildContext.h"

namespace trv::disc {

// The files directly in content/<folder> whose names end with one of the
// extensions (lower case, with the dot), sorted by name.
std::vector<std::filesystem::path> SourceFiles(const BuildContext& ctx, const std::string& folder,
                                               const std::vector<std::string>& extensions);

// A source file's text, or nullopt after logging why it cannot be read.
std::optional<std::string> ReadSource(const BuildContext& ctx, const std::filesystem::path& file);

// Empties a stage folder of a step and makes it again.
void ResetStage(const std::filesystem::path& stage);

// Writes bytes to `dir` / a Windows-style relative name ("a\b.bmp" makes the
// folder a); false after logging when the name leaves `dir` or writing fails.
bool WriteStaged(const BuildContext& ctx, const std::filesystem::path& dir, const std::string& windowsName,
                 const std::vector<std::uint8_t>& bytes);

// UTF-8 text as the program reads text files: code page 1251 with CR LF;
// nullopt after logging the first line that has a character the code page lacks.
std::optional<std::string> ToCp1251Lines(const BuildContext& ctx, const std::string& fileName,
                                         const std::string& utf8);

}  // namespace trv::disc
