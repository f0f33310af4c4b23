#include "export/report_writers.h"

#include <algorithm>

#include "export/export_text.h"

namespace sorvi_export {

void add_module(MergedExport& merged, ModuleExport&& m) {
  merged.modules.push_back(m.summary);
  merge_coverage(merged.coverage, m.coverage);
  for (std::string& r : m.results) merged.results.push_back(std::move(r));
  for (auto& r : m.rules) merged.rules.emplace(r.first, std::move(r.second));
  merged.taxa.insert(m.taxa.begin(), m.taxa.end());
}

namespace {

// Writes text through a buffer; remembers a failed write.
class Out {
 public:
  explicit Out(std::FILE* f) : f_(f) {}
  Out& operator<<(const std::string& s) {
    buf_ += s;
    if (buf_.size() > (1 << 16)) flush();
    return *this;
  }
  Out& operator<<(long long n) { return *this << std::to_string(n); }
  bool finish() {
    flush();
    return ok_ && std::fflush(f_) == 0 && !std::ferror(f_);
  }

 private:
  void flush() {
    if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size()) ok_ = false;
    buf_.clear();
  }
  std::FILE* f_;
  std::string buf_;
  bool ok_ = true;
};

// Each branch with its number among the branches of its line.
std::vector<std::pair<BranchCoverage, int>> numbered_branches(const FileCoverage& f) {
  std::vector<std::pair<BranchCoverage, int>> out;
  std::map<int, int> next;
  for (const BranchCoverage& b : f.branches) out.push_back({b, next[b.line]++});
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first.line < b.first.line; });
  return out;
}

}  // namespace

bool write_sarif(std::FILE* file, const MergedExport& m, const RunInfo& run) {
  Out out(file);
  // Taxonomies by model, each taxon once, and the index of each.
  std::map<std::string, std::vector<std::string>> taxonomies;
  for (const auto& t : m.taxa) taxonomies[t.first].push_back(t.second);
  std::map<std::string, int> rule_index;
  int n = 0;
  for (const auto& r : m.rules) rule_index[r.first] = n++;

  out << "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n  \"version\": \"2.1.0\",\n"
      << "  \"runs\": [\n    {\n      \"tool\": {\n        \"driver\": {\n          \"name\": \"Sorvi\",\n"
      << "          \"version\": " << json_string(run.version) << ",\n          \"semanticVersion\": "
      << json_string(run.version) << ",\n          \"informationUri\": " << json_string(run.information_uri)
      << ",\n          \"rules\": [";
  bool first = true;
  for (const auto& r : m.rules) {
    std::string rule = r.second;
    // Point each relationship at its taxonomy by index as well as by name.
    int k = 0;
    for (const auto& t : taxonomies) {
      const std::string name = "\"toolComponent\":{\"name\":" + json_string(t.first) + "}";
      const std::string with_index = "\"toolComponent\":{\"name\":" + json_string(t.first) + ",\"index\":" + std::to_string(k) + "}";
      for (size_t at = rule.find(name); at != std::string::npos; at = rule.find(name, at + with_index.size()))
        rule.replace(at, name.size(), with_index);
      ++k;
    }
    out << (first ? "\n            " : ",\n            ") << rule;
    first = false;
  }
  out << (first ? "]\n" : "\n          ]\n") << "        }\n      },\n";
  out << "      \"taxonomies\": [";
  first = true;
  for (const auto& t : taxonomies) {
    out << (first ? "\n        " : ",\n        ") << "{\"name\": " << json_string(t.first) << ", \"taxa\": [";
    bool first_taxon = true;
    for (const std::string& id : t.second) {
      out << (first_taxon ? "" : ", ") << "{\"id\": " << json_string(id) << "}";
      first_taxon = false;
    }
    out << "]}";
    first = false;
  }
  out << (first ? "],\n" : "\n      ],\n");
  out << "      \"invocations\": [\n        {\n          \"executionSuccessful\": "
      << std::string(m.skipped.empty() ? "true" : "false");
  if (!m.skipped.empty()) {
    out << ",\n          \"toolExecutionNotifications\": [";
    first = true;
    for (const std::string& s : m.skipped) {
      out << (first ? "\n            " : ",\n            ") << "{\"level\": \"error\", \"message\": {\"text\": "
          << json_string("Module not exported: " + s) << "}}";
      first = false;
    }
    out << "\n          ]";
  }
  out << "\n        }\n      ],\n      \"results\": [";
  first = true;
  auto result = [&](const std::string& r) {
    // "ruleIndex" beside "ruleId", which every result starts with.
    const size_t id_end = r.find(',');
    const std::string id = r.substr(11, id_end - 12);
    const auto found = rule_index.find(id);
    out << (first ? "\n        " : ",\n        ") << r.substr(0, id_end);
    if (found != rule_index.end()) out << ",\"ruleIndex\":" << std::to_string(found->second);
    out << r.substr(id_end);
    first = false;
  };
  for (const std::string& r : m.results) result(r);
  for (const std::string& path : m.result_files) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    char* line = nullptr;
    size_t capacity = 0;
    ssize_t n;
    while ((n = getline(&line, &capacity, in)) > 0) {
      if (line[n - 1] == '\n') --n;
      if (n > 2 && line[0] == 'V' && line[1] == '\t') result(std::string(line + 2, static_cast<size_t>(n - 2)));
    }
    std::free(line);
    std::fclose(in);
  }
  out << (first ? "]\n" : "\n      ]\n") << "    }\n  ]\n}\n";
  return out.finish();
}

bool write_lcov(std::FILE* file, const MergedExport& m, const RunInfo& run) {
  Out out(file);
  for (const auto& f : m.coverage) {
    const FileCoverage& c = f.second;
    if (!run.test_name.empty()) out << "TN:" << run.test_name << "\n";
    out << "SF:" << f.first << "\n";
    std::vector<FunctionCoverage> functions = c.functions;
    std::stable_sort(functions.begin(), functions.end(),
                     [](const FunctionCoverage& a, const FunctionCoverage& b) { return a.line < b.line; });
    for (const FunctionCoverage& fn : functions) out << "FN:" << std::to_string(fn.line) << "," << fn.name << "\n";
    for (const FunctionCoverage& fn : functions) out << "FNDA:" << fn.count << "," << fn.name << "\n";
    const CoverageTotals t = totals_of(c);
    out << "FNF:" << t.functions << "\nFNH:" << t.functions_hit << "\n";
    for (const auto& b : numbered_branches(c)) {
      out << "BRDA:" << std::to_string(b.first.line) << ",0," << std::to_string(b.second) << ","
          << (b.first.taken < 0 ? std::string("-") : std::to_string(b.first.taken)) << "\n";
    }
    out << "BRF:" << t.branches << "\nBRH:" << t.branches_hit << "\n";
    for (const auto& l : c.lines) out << "DA:" << std::to_string(l.first) << "," << l.second << "\n";
    out << "LF:" << t.lines << "\nLH:" << t.lines_hit << "\nend_of_record\n";
  }
  return out.finish();
}

namespace {

std::string directory_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The longest directory (with its "/") that holds every file.
std::string common_directory(const CoverageMap& coverage) {
  if (coverage.empty()) return std::string();
  std::string common = directory_of(coverage.begin()->first);
  for (const auto& f : coverage) {
    while (!common.empty() && f.first.compare(0, common.size(), common) != 0) {
      common = directory_of(common.substr(0, common.size() - 1));
    }
  }
  return common;
}

std::string rates(const CoverageTotals& t) {
  return "line-rate=\"" + rate_text(t.lines_hit, t.lines) + "\" branch-rate=\"" +
         rate_text(t.branches_hit, t.branches) + "\" complexity=\"0\"";
}

}  // namespace

bool write_cobertura(std::FILE* file, const MergedExport& m, const RunInfo& run) {
  Out out(file);
  const CoverageTotals all = totals_of(m.coverage);
  const std::string root = common_directory(m.coverage);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<!DOCTYPE coverage SYSTEM \"http://cobertura.sourceforge.net/xml/coverage-04.dtd\">\n"
      << "<coverage line-rate=\"" << rate_text(all.lines_hit, all.lines) << "\" branch-rate=\""
      << rate_text(all.branches_hit, all.branches) << "\" lines-covered=\"" << all.lines_hit
      << "\" lines-valid=\"" << all.lines << "\" branches-covered=\"" << all.branches_hit << "\" branches-valid=\""
      << all.branches << "\" complexity=\"0\" version=\"" << xml_text("sorvi-export " + run.version)
      << "\" timestamp=\"" << run.timestamp_ms << "\">\n  <sources>\n    <source>"
      << xml_text(root.empty() ? "/" : root.substr(0, root.size() > 1 ? root.size() - 1 : 1))
      << "</source>\n  </sources>\n  <packages>\n";
  // Packages are the directories below the common one, in path order.
  std::map<std::string, std::vector<std::string>> packages;
  for (const auto& f : m.coverage) packages[directory_of(f.first.substr(root.size()))].push_back(f.first);
  for (const auto& p : packages) {
    CoverageMap files;
    for (const std::string& path : p.second) files[path] = m.coverage.at(path);
    const std::string name = p.first.empty() ? "." : p.first.substr(0, p.first.size() - 1);
    out << "    <package name=\"" << xml_text(name) << "\" " << rates(totals_of(files)) << ">\n      <classes>\n";
    for (const auto& f : files) {
      const FileCoverage& c = f.second;
      const std::string relative = f.first.substr(root.size());
      out << "        <class name=\"" << xml_text(relative.substr(p.first.size())) << "\" filename=\""
          << xml_text(relative) << "\" " << rates(totals_of(c)) << ">\n          <methods>\n";
      for (const FunctionCoverage& fn : c.functions) {
        out << "            <method name=\"" << xml_text(fn.name) << "\" signature=\"\" line-rate=\""
            << std::string(fn.count > 0 ? "1" : "0") << "\" branch-rate=\"1\" complexity=\"0\">\n"
            << "              <lines>\n                <line number=\"" << std::to_string(fn.line) << "\" hits=\""
            << fn.count << "\"/>\n              </lines>\n            </method>\n";
      }
      out << "          </methods>\n          <lines>\n";
      std::map<int, std::pair<int, int>> branch_lines;  // line -> (taken, all)
      for (const BranchCoverage& b : c.branches) {
        auto& e = branch_lines[b.line];
        e.first += b.taken > 0;
        ++e.second;
      }
      for (const auto& l : c.lines) {
        out << "            <line number=\"" << std::to_string(l.first) << "\" hits=\"" << l.second << "\"";
        const auto b = branch_lines.find(l.first);
        if (b == branch_lines.end()) {
          out << " branch=\"false\"/>\n";
          continue;
        }
        const int pct = static_cast<int>(100LL * b->second.first / b->second.second);
        out << " branch=\"true\" condition-coverage=\"" << std::to_string(pct) << "% ("
            << std::to_string(b->second.first) << "/" << std::to_string(b->second.second) << ")\">\n"
            << "              <conditions>\n                <condition number=\"0\" type=\"jump\" coverage=\""
            << std::to_string(pct) << "%\"/>\n              </conditions>\n            </line>\n";
      }
      out << "          </lines>\n        </class>\n";
    }
    out << "      </classes>\n    </package>\n";
  }
  out << "  </packages>\n</coverage>\n";
  return out.finish();
}

}  // namespace sorvi_export
