#include "ooxml/opc/tests/package_testing.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "core/unicode.h"
#include "xml/simple_dom.h"
#include "io/stream.h"
#include "io/zip_archive.h"

namespace opc_testing {

namespace {

std::string Lower(std::string s) { return core::ascii_lower(s); }

std::string Extension(const std::string& name) {
  auto slash = name.rfind('/');
  auto dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return name.substr(dot + 1);
}

std::string DirOf(const std::string& part) {
  auto p = part.rfind('/');
  return p == std::string::npos ? std::string() : part.substr(0, p);
}

bool ParseDom(const std::string& bytes, ooxml::TXpgSimpleDOM& dom, std::string& error) {
  try {
    ooxml::XmlMemoryStream s(bytes);
    dom.Parse(s);
    return dom.Root()->GetCount() > 0;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

std::string Attr(const ooxml::TXpgDOMNode* n, const char16_t* name) {
  return core::utf16_to_utf8(n->Attributes.GetValue(name));
}

// Local name of a qualified element name.
std::u16string Local(const std::u16string& q) {
  auto p = q.find(u':');
  return p == std::u16string::npos ? q : q.substr(p + 1);
}

}  // namespace

std::string MakeZip(const Parts& parts) {
  io::TMemoryStream out;
  io::TXLSZipArchive zip;
  zip.OpenWrite(out);
  for (const auto& [name, data] : parts) {
    io::TMemoryStream s(std::vector<std::uint8_t>(data.begin(), data.end()));
    zip.AddStream(core::utf8_to_utf16(name), s);
  }
  zip.Close();
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

std::map<std::string, std::string> ReadZip(const std::string& bytes) {
  std::map<std::string, std::string> result;
  io::TPointerMemoryStream in(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  io::TXLSZipArchive zip;
  zip.OpenRead(in);
  for (int i = 0; i < zip.Count(); ++i) {
    io::TXLSZipFile* f = zip.GetItem(i);
    io::TMemoryStream data;
    f->Open();
    f->ExtractToStream(data);
    f->CloseData();
    result[core::utf16_to_utf8(f->GetName())] = std::string(data.Bytes().begin(), data.Bytes().end());
  }
  return result;
}

std::string ResolveTarget(const std::string& source_part, const std::string& target) {
  std::string path = !target.empty() && target[0] == '/' ? target.substr(1)
                     : DirOf(source_part).empty()     ? target
                                                      : DirOf(source_part) + "/" + target;
  std::vector<std::string> segs;
  std::stringstream ss(path);
  std::string seg;
  while (std::getline(ss, seg, '/')) {
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (segs.empty()) return "../";  // leaves the package
      segs.pop_back();
    } else {
      segs.push_back(seg);
    }
  }
  std::string r;
  for (const auto& s : segs) r += (r.empty() ? "" : "/") + s;
  return r;
}

std::vector<std::string> CheckPackage(const std::string& bytes) {
  std::vector<std::string> faults;
  std::map<std::string, std::string> entries;
  try {
    entries = ReadZip(bytes);
  } catch (const std::exception& e) {
    return {std::string("archive unreadable: ") + e.what()};
  }
  std::map<std::string, std::string> parts;  // lower-cased name -> name; directories left out
  for (const auto& [name, data] : entries) {
    if (!name.empty() && name.back() == '/') continue;
    if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos ||
        name.find("..") != std::string::npos) {
      faults.push_back("unsafe entry name " + name);
    }
    if (!parts.emplace(Lower(name), name).second) faults.push_back("entry repeated " + name);
  }
  // Content types.
  std::map<std::string, std::string> defaults, overrides;
  auto ct = entries.find("[Content_Types].xml");
  if (ct == entries.end()) {
    faults.push_back("no [Content_Types].xml");
  } else {
    ooxml::TXpgSimpleDOM dom;
    std::string error;
    if (!ParseDom(ct->second, dom, error)) {
      faults.push_back("[Content_Types].xml does not parse: " + error);
    } else {
      const ooxml::TXpgDOMNode* types = dom.Root()->GetItem(0);
      if (types->Name != u"Types") faults.push_back("[Content_Types].xml: root is not Types");
      for (int i = 0; i < types->GetCount(); ++i) {
        const ooxml::TXpgDOMNode* n = types->GetItem(i);
        if (n->Name == u"Default") {
          if (!defaults.emplace(Lower(Attr(n, u"Extension")), Attr(n, u"ContentType")).second) {
            faults.push_back("Default repeated for " + Attr(n, u"Extension"));
          }
        } else if (n->Name == u"Override") {
          std::string pn = Attr(n, u"PartName");
          if (pn.empty() || pn[0] != '/') faults.push_back("Override part name without '/': " + pn);
          if (!overrides.emplace(Lower(pn), Attr(n, u"ContentType")).second) {
            faults.push_back("Override repeated for " + pn);
          }
        }
      }
    }
  }
  for (const auto& [key, name] : parts) {
    if (name == "[Content_Types].xml") continue;
    auto o = overrides.find("/" + key);
    bool typed = (o != overrides.end() && !o->second.empty()) || defaults.count(Lower(Extension(name)));
    if (!typed) faults.push_back("no content type for " + name);
  }
  for (const auto& [pn, type] : overrides) {
    if (!parts.count(pn.substr(1))) faults.push_back("Override for a missing part " + pn);
  }
  // Relationships.
  for (const auto& [key, name] : parts) {
    if (Lower(Extension(name)) != "rels") continue;
    auto p = name.rfind("_rels/");
    if (p == std::string::npos || (p != 0 && name[p - 1] != '/')) {
      faults.push_back("relationships part outside a _rels folder: " + name);
      continue;
    }
    std::string file = name.substr(p + 6);
    std::string source = name.substr(0, p) + file.substr(0, file.size() - 5);
    if (!source.empty() && !parts.count(Lower(source))) {
      faults.push_back("relationships of a missing part: " + name);
    }
    ooxml::TXpgSimpleDOM dom;
    std::string error;
    if (!ParseDom(entries[name], dom, error)) {
      faults.push_back(name + " does not parse: " + error);
      continue;
    }
    const ooxml::TXpgDOMNode* rels = dom.Root()->GetItem(0);
    std::set<std::string> ids;
    for (int i = 0; i < rels->GetCount(); ++i) {
      const ooxml::TXpgDOMNode* r = rels->GetItem(i);
      if (Local(r->Name) != u"Relationship") continue;
      std::string id = Attr(r, u"Id"), target = Attr(r, u"Target"), type = Attr(r, u"Type");
      if (id.empty() || type.empty()) faults.push_back(name + ": relationship without Id or Type");
      if (!ids.insert(id).second) faults.push_back(name + ": id repeated " + id);
      if (Attr(r, u"TargetMode") == "External") continue;
      std::string resolved = ResolveTarget(source, target);
      if (!parts.count(Lower(resolved))) {
        faults.push_back(name + ": target " + target + " (" + resolved + ") does not exist");
      }
    }
  }
  return faults;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::string FixturePath(const std::string& name) {
  const char* src = std::getenv("THC_SOURCE_DIR");
  return std::string(src ? src : "/work/main") + "/ooxml/opc/tests/fixtures/" + name;
}

}  // namespace opc_testing
