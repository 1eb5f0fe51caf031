// Helpers of the package tests: small packages built from a list of parts, the entries of an
// archive, and the project's own package checker.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace opc_testing {

using Parts = std::vector<std::pair<std::string, std::string>>;

// A ZIP archive holding the parts in the given order (names taken as they are).
std::string MakeZip(const Parts& parts);
// Every entry of an archive with its bytes, read through the project's archive reader.
std::map<std::string, std::string> ReadZip(const std::string& bytes);

// The checker: every part has a content type (an Override or a Default of its extension), every
// relationships part parses and belongs to an existing source part, every internal relationship
// target names an existing part, relationship ids are unique per part, no entry name is unsafe or
// repeated, and "[Content_Types].xml" is present and well formed. Returns the faults found.
std::vector<std::string> CheckPackage(const std::string& bytes);

// Resolves a relationship target against the part name of its source ("" for the package root),
// as URIs resolve: absolute targets from the root, "." and ".." segments applied.
std::string ResolveTarget(const std::string& source_part, const std::string& target);

std::string ReadFile(const std::string& path);
std::string FixturePath(const std::string& name);

}  // namespace opc_testing
