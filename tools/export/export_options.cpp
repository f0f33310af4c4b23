#include "export/export_options.h"

#include <cerrno>
#include <cstdlib>
#include <strings.h>

namespace sorvi_export {

const char kExportUsage[] =
    "usage: sorvi-export FORMAT [options] [WORK_FILE...]\n"
    "Exports the analysis results of modules for the tools of a build pipeline.\n"
    "\n"
    "FORMAT:\n"
    "  sarif       SARIF 2.1.0 log of the programming-standards violations\n"
    "  lcov        LCOV tracefile of the coverage\n"
    "  cobertura   Cobertura XML of the coverage\n"
    "  html        static HTML report: an index and the annotated text of each module\n"
    "\n"
    "WORK_FILE: a work file of a module (\"demo_1.ref\", \"demo_1.sf1\", or the stem\n"
    "\"demo_1\"), relative to the work directory or with its path. Without one, every\n"
    "module of the registry (staticid.dat) in the profile's work directory.\n"
    "The profile is found through KELVAR, as for Sorvi.\n"
    "\n"
    "Options:\n"
    "  -o PATH              the output file (html: the output folder); sarif, lcov and\n"
    "                       cobertura write to standard output without it\n"
    "  -Language=N          language code of the modules (default: from the registry)\n"
    "  -StandardsModel=NAME the standards model (default: from the profile)\n"
    "  -TC=N                the results of test case N instead of the combined ones\n"
    "  -Seq=NAME            the test sequence of -TC\n"
    "  -Seqwrk=DIR          the test results directory (default: the work directory)\n"
    "  -j N                 export N modules at a time (default 1)\n"
    "  --help               this text\n"
    "\n"
    "Exit status: 0 every module exported; 1 some modules were skipped (each is\n"
    "named on standard error, the output holds the others); 2 a usage error;\n"
    "3 nothing was exported or the output could not be written (no output is left).\n";

namespace {

bool parse_int(const std::string& text, int low, int high, int& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

// "-Word=value" in either case of the word; false when `arg` is another word.
bool option_value(const std::string& arg, const char* word, std::string& value) {
  const size_t n = std::char_traits<char>::length(word);
  if (arg.size() < n + 2 || arg[0] != '-' || arg[n + 1] != '=') return false;
  if (strncasecmp(arg.c_str() + 1, word, n) != 0) return false;
  value = arg.substr(n + 2);
  return true;
}

}  // namespace

std::string parse_export_options(const std::vector<std::string>& args, ExportOptions& o) {
  size_t i = 0;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      o.help = true;
      return std::string();
    }
  }
  if (args.empty()) return "no format given";
  const std::string& format = args[i++];
  if (format == "sarif") {
    o.format = ExportFormat::kSarif;
  } else if (format == "lcov") {
    o.format = ExportFormat::kLcov;
  } else if (format == "cobertura") {
    o.format = ExportFormat::kCobertura;
  } else if (format == "html") {
    o.format = ExportFormat::kHtml;
    // A bare folder right after the format is the output folder.
    if (i < args.size() && !args[i].empty() && args[i][0] != '-') o.output = args[i++];
  } else {
    return "unknown format '" + format + "' (sarif, lcov, cobertura or html)";
  }
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string value;
    if (a == "-o" || a == "-j") {
      if (i + 1 >= args.size()) return "option " + a + " needs a value";
      value = args[++i];
      if (a == "-o") {
        o.output = value;
      } else if (!parse_int(value, 1, 256, o.jobs)) {
        return "bad job count '" + value + "'";
      }
    } else if (option_value(a, "Language", value)) {
      if (!parse_int(value, 0, 17, o.language)) return "bad language code '" + value + "'";
    } else if (option_value(a, "StandardsModel", value)) {
      o.standards_model = value;
    } else if (option_value(a, "TC", value)) {
      if (!parse_int(value, 1, 99999, o.test_case)) return "bad test case '" + value + "'";
    } else if (option_value(a, "Seq", value)) {
      o.sequence = value;
    } else if (option_value(a, "Seqwrk", value)) {
      o.result_directory = value;
    } else if (!a.empty() && a[0] == '-') {
      return "unknown option '" + a + "'";
    } else {
      o.work_files.push_back(a);
    }
  }
  if (o.test_case > 0 && o.sequence.empty()) return "-TC needs -Seq";
  if (o.format == ExportFormat::kHtml && o.output.empty()) return "html needs an output folder";
  return std::string();
}

}  // namespace sorvi_export
