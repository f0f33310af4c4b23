// sorvi-samplegen: the command-line front of the sample-set writer.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "samplegen/sample_set_writer.h"

namespace {

const char kUsage[] =
    "usage: sorvi-samplegen [options] OUTPUT_DIR\n"
    "Writes a sample analysis set: source files, work files, suite data, a profile\n"
    "and a GLH file, all mutually consistent, below OUTPUT_DIR.\n"
    "\n"
    "  --seed N          random seed (default 1); the same seed gives the same set\n"
    "  --lines N         reformatted lines per module, about (default 400, 10 to 5000000)\n"
    "  --procedures N    procedures per module, main included (default: lines / 40)\n"
    "  --max-blocks N    blocks per procedure at most (default 60)\n"
    "  --modules N       modules sharing the work directory (default 1)\n"
    "  --language L      c or cpp (default c)\n"
    "  --line-width N    width W of the reformatted line numbers (default: 6, or wider)\n"
    "  --sequence NAME   test sequence name (default nightly)\n"
    "  --files LIST      which files, comma separated, a leading - removes one:\n"
    "                    all source registry ref index blocks flags counts procedures\n"
    "                    violations dataflow testcases suite profile glh xtx (default all)\n"
    "  --quiet           print nothing but errors\n"
    "  --help            this text\n";

bool parse_number(const char* text, long long low, long long high, long long& value) {
  if (!text || !*text) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  value = v;
  return true;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "sorvi-samplegen: %s\n", message.c_str());
  std::fprintf(stderr, "Try 'sorvi-samplegen --help'.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  sorvi_sample::SampleSetOptions options;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--quiet") {
      quiet = true;
      continue;
    }
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      std::string name = arg;
      const char* value = nullptr;
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = argv[i] + eq + 1;
      } else if (i + 1 < argc) {
        value = argv[++i];
      }
      if (!value) return fail("option " + name + " needs a value");
      long long n = 0;
      if (name == "--seed") {
        if (!parse_number(value, 0, 9223372036854775807LL, n)) return fail("bad seed: " + std::string(value));
        options.seed = static_cast<uint64_t>(n);
      } else if (name == "--lines") {
        if (!parse_number(value, 10, 5000000, n)) return fail("bad line count: " + std::string(value));
        options.target_lines = static_cast<int>(n);
      } else if (name == "--procedures") {
        if (!parse_number(value, 1, 9999, n)) return fail("bad procedure count: " + std::string(value));
        options.procedures = static_cast<int>(n);
      } else if (name == "--max-blocks") {
        if (!parse_number(value, 8, 999, n)) return fail("bad block count: " + std::string(value));
        options.max_blocks = static_cast<int>(n);
      } else if (name == "--modules") {
        if (!parse_number(value, 1, 1000, n)) return fail("bad module count: " + std::string(value));
        options.modules = static_cast<int>(n);
      } else if (name == "--language") {
        const std::string lang = value;
        if (lang == "c" || lang == "C") {
          options.language = 2;
        } else if (lang == "cpp" || lang == "c++" || lang == "C++") {
          options.language = 6;
        } else {
          return fail("bad language: " + lang);
        }
      } else if (name == "--line-width") {
        if (!parse_number(value, 6, 9, n)) return fail("bad line width: " + std::string(value));
        options.line_width = static_cast<int>(n);
      } else if (name == "--sequence") {
        options.sequence = value;
      } else if (name == "--files") {
        unsigned files = 0;
        std::string bad;
        if (!sorvi_sample::parse_sample_files(value, files, bad)) return fail("unknown file kind: " + bad);
        options.files = files;
      } else {
        return fail("unknown option " + name);
      }
      continue;
    }
    if (!options.output_dir.empty()) return fail("more than one output directory");
    options.output_dir = arg;
  }
  if (options.output_dir.empty()) return fail("no output directory");

  const sorvi_sample::SampleSetSummary summary = sorvi_sample::write_sample_set(options);
  if (!summary.ok) {
    std::fprintf(stderr, "sorvi-samplegen: %s\n", summary.error.c_str());
    return 1;
  }
  if (!quiet) std::fputs(sorvi_sample::describe_sample_set(summary).c_str(), stdout);
  return 0;
}
