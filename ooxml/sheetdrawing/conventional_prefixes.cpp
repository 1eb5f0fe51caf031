// Renames prefixes by namespace in one pass over the part's bytes: tags are cut as they stand,
// everything between them (text, comments, processing instructions, CDATA) is copied.
#include "ooxml/sheetdrawing/conventional_prefixes.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ooxml::sheetdrawing {

namespace {

struct TKnown {
  std::string_view Namespace, Prefix;
};

constexpr TKnown kKnown[] = {
    {"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing", "xdr"},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", "a"},
    {"http://schemas.openxmlformats.org/drawingml/2006/chart", "c"},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", "r"},
};

std::string_view ConventionalOf(std::string_view ns) {
  for (const TKnown& k : kKnown)
    if (k.Namespace == ns) return k.Prefix;
  return {};
}

bool IsConventional(std::string_view prefix) {
  for (const TKnown& k : kKnown)
    if (k.Prefix == prefix) return true;
  return false;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct TDeclaration {
  std::string Prefix, Namespace;
};

class TRenamer {
public:
  explicit TRenamer(const std::string& xml) : in_(xml) {}

  // False when the text cannot be cut into tags or a conventional prefix means another namespace.
  bool Run() {
    out_.reserve(in_.size() + 64);
    std::size_t pos = 0;
    while (pos < in_.size()) {
      const std::size_t lt = in_.find('<', pos);
      if (lt == std::string_view::npos) {
        out_.append(in_.substr(pos));
        break;
      }
      out_.append(in_.substr(pos, lt - pos));
      const std::string_view rest = in_.substr(lt);
      std::size_t end;
      if (rest.starts_with("<?"))
        end = Copy(lt, "?>");
      else if (rest.starts_with("<!--"))
        end = Copy(lt, "-->");
      else if (rest.starts_with("<![CDATA["))
        end = Copy(lt, "]]>");
      else if (rest.starts_with("<!"))
        end = Copy(lt, ">");
      else if (rest.starts_with("</"))
        end = EndTag(lt);
      else
        end = StartTag(lt);
      if (end == std::string_view::npos || conflict_) return false;
      pos = end;
    }
    return true;
  }

  bool Changed() const { return changed_; }
  std::string Take() { return std::move(out_); }

private:
  std::size_t Copy(std::size_t from, std::string_view close) {
    const std::size_t at = in_.find(close, from + 2);
    if (at == std::string_view::npos) return at;
    out_.append(in_.substr(from, at + close.size() - from));
    return at + close.size();
  }

  std::size_t NameEnd(std::size_t from) const {
    while (from < in_.size() && !IsSpace(in_[from]) && in_[from] != '>' && in_[from] != '/' && in_[from] != '=')
      ++from;
    return from;
  }

  // Lookups cost the same however deep the element sits: each prefix keeps the stack of the
  // namespaces it is bound to, each open element the prefixes it declared.
  std::string_view Resolve(std::string_view prefix) const {
    auto found = bindings_.find(std::string(prefix));
    return found == bindings_.end() || found->second.empty() ? std::string_view() : found->second.back();
  }

  void Open(std::vector<TDeclaration> scope) {
    std::vector<std::string> prefixes;
    for (TDeclaration& d : scope) {
      bindings_[d.Prefix].push_back(std::move(d.Namespace));
      prefixes.push_back(std::move(d.Prefix));
    }
    scopes_.push_back(std::move(prefixes));
  }

  void Close() {
    if (scopes_.empty()) return;
    for (const std::string& prefix : scopes_.back()) bindings_[prefix].pop_back();
    scopes_.pop_back();
  }

  // The name under the conventional prefix of its namespace; ForElement: an unprefixed name is in
  // the default namespace (an unprefixed attribute is in none).
  std::string Renamed(std::string_view name, bool ForElement) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos && !ForElement) return std::string(name);
    const std::string_view prefix = colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
    const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
    if (prefix == "xml" || prefix == "xmlns") return std::string(name);
    const std::string_view conventional = ConventionalOf(Resolve(prefix));
    if (conventional.empty() || conventional == prefix) return std::string(name);
    changed_ = true;
    return std::string(conventional) + ":" + std::string(local);
  }

  std::size_t EndTag(std::size_t lt) {
    const std::size_t nameEnd = NameEnd(lt + 2);
    const std::size_t gt = in_.find('>', nameEnd);
    if (gt == std::string_view::npos) return gt;
    out_ += "</";
    out_ += Renamed(in_.substr(lt + 2, nameEnd - lt - 2), true);
    out_.append(in_.substr(nameEnd, gt + 1 - nameEnd));
    Close();
    return gt + 1;
  }

  struct TAttribute {
    std::string_view Space, Name, Between, Value;  // Value with its quotes
  };

  std::size_t StartTag(std::size_t lt) {
    const std::size_t nameEnd = NameEnd(lt + 1);
    const std::string_view name = in_.substr(lt + 1, nameEnd - lt - 1);
    if (name.empty()) return std::string_view::npos;
    std::vector<TAttribute> attributes;
    std::vector<TDeclaration> scope;
    std::size_t pos = nameEnd;
    while (true) {
      const std::size_t spaceStart = pos;
      while (pos < in_.size() && IsSpace(in_[pos])) ++pos;
      if (pos >= in_.size()) return std::string_view::npos;
      if (in_[pos] == '>' || in_[pos] == '/') {
        const std::size_t gt = in_.find('>', pos);
        if (gt == std::string_view::npos) return gt;
        const bool empty = in_[pos] == '/';
        Open(std::move(scope));
        out_ += '<';
        out_ += Renamed(name, true);
        Attributes(attributes);
        out_.append(in_.substr(spaceStart, gt + 1 - spaceStart));
        if (empty) Close();
        return gt + 1;
      }
      TAttribute a;
      a.Space = in_.substr(spaceStart, pos - spaceStart);
      const std::size_t attrEnd = NameEnd(pos);
      if (attrEnd == pos) return std::string_view::npos;
      a.Name = in_.substr(pos, attrEnd - pos);
      pos = attrEnd;
      const std::size_t betweenStart = pos;
      while (pos < in_.size() && IsSpace(in_[pos])) ++pos;
      if (pos >= in_.size() || in_[pos] != '=') return std::string_view::npos;
      ++pos;
      while (pos < in_.size() && IsSpace(in_[pos])) ++pos;
      if (pos >= in_.size() || (in_[pos] != '"' && in_[pos] != '\'')) return std::string_view::npos;
      a.Between = in_.substr(betweenStart, pos - betweenStart);
      const std::size_t close = in_.find(in_[pos], pos + 1);
      if (close == std::string_view::npos) return close;
      a.Value = in_.substr(pos, close + 1 - pos);
      pos = close + 1;
      if (a.Name == "xmlns" || a.Name.starts_with("xmlns:")) {
        const std::string_view prefix = a.Name.size() > 5 ? a.Name.substr(6) : std::string_view();
        const std::string_view ns = a.Value.substr(1, a.Value.size() - 2);
        // "a" or "c" bound to a namespace of its own: the names can not be put right.
        if (IsConventional(prefix) && ConventionalOf(ns) != prefix) conflict_ = true;
        scope.push_back({std::string(prefix), std::string(ns)});
      }
      attributes.push_back(a);
    }
  }

  void Attributes(const std::vector<TAttribute>& list) {
    std::unordered_set<std::string> written;
    for (const TAttribute& a : list) {
      std::string name;
      const bool declaration = a.Name == "xmlns" || a.Name.starts_with("xmlns:");
      if (declaration) {
        const std::string_view conventional = ConventionalOf(a.Value.substr(1, a.Value.size() - 2));
        name = conventional.empty() ? std::string(a.Name) : "xmlns:" + std::string(conventional);
        if (name != a.Name) changed_ = true;
      } else {
        name = Renamed(a.Name, false);
      }
      // Two declarations of one namespace under two prefixes become one.
      if (!written.insert(name).second) continue;
      out_.append(a.Space);
      out_ += name;
      out_.append(a.Between);
      out_.append(a.Value);
    }
  }

  std::string_view in_;
  std::string out_;
  std::unordered_map<std::string, std::vector<std::string>> bindings_;
  std::vector<std::vector<std::string>> scopes_;
  bool changed_ = false;
  bool conflict_ = false;
};

}  // namespace

std::string ConventionalPrefixes(std::string Xml) {
  TRenamer renamer(Xml);
  if (!renamer.Run() || !renamer.Changed()) return Xml;
  return renamer.Take();
}

std::unique_ptr<XmlMemoryStream> ConventionalPart(io::TStream& Part) {
  std::string bytes;
  char buffer[65536];
  for (std::int64_t n; (n = Part.Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
  return std::make_unique<XmlMemoryStream>(ConventionalPrefixes(std::move(bytes)));
}

}  // namespace ooxml::sheetdrawing
