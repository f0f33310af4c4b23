// Harnesses of the profile, the forwarded command line and a whole batch
// run.
#include <cstring>

#include "app/batch.h"
#include "app/command_line.h"
#include "app/startup.h"
#include "config/ini_file.h"
#include "config/languages.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "fuzz_harness.h"
#include "harness_internal.h"

namespace sorvi_fuzz {

int fuzz_profile(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const std::string text(reinterpret_cast<const char*>(data), size);
  run.put("Kelvar.ini", text);
  const sorvi::IniDocument doc = sorvi::IniDocument::parse(text);
  for (const std::string& name : doc.section_names()) {
    if (!doc.find_section(name)) run.fail("a listed section cannot be found");
  }
  sorvi::ini_forget_cache();
  sorvi::locate_profile(nullptr);
  sorvi::profile_full_path();
  sorvi::product_title();
  for (const char* name : {"KELV", "WORKDIR", "PERMDIR", "SORVI_FONT", "STANDARDS_REPORT_HEADERS", "LANGUAGE"}) {
    const char* value = sorvi::get_profile_string(name, "", false, nullptr);
    if (value && std::strlen(value) > sorvi::kProfileValueMax) run.fail("profile value longer than its buffer");
    sorvi::get_profile_path(name, "x", false, nullptr);
    sorvi::get_profile_bool(name, false, false);
    sorvi::get_profile_bool_if_present(name, true, false);
    sorvi::get_profile_int(name, 3, false, nullptr);
    sorvi::get_profile_char(name, 'A', false, nullptr);
  }
  sorvi::get_profile_section(sorvi::profile_main_section());
  sorvi::get_profile_section("Sorvi");
  sorvi::suite_file_path("c/cpen.dat");
  sorvi::work_file_path("demo_1.ref");
  sorvi::perm_file_path("Locks");
  for (int code = -1; code <= 17; ++code) sorvi::language_data_path("pen.dat", code);
  return run.finish();
}

int fuzz_command_line(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const std::vector<uint8_t> payload(data, data + size);
  std::vector<std::string> args;
  const bool whole = sorvi::split_forwarded_command_line(payload, &args);
  if (whole) {
    // A payload that splits whole is rebuilt byte for byte unless an
    // argument held a NUL (which cannot be sent).
    if (args.empty()) return run.fail("split gave no program name");
    const std::vector<uint8_t> again = sorvi::build_forwarded_command_line(args);
    std::vector<std::string> args2;
    if (!sorvi::split_forwarded_command_line(again, &args2) || args2 != args)
      return run.fail("a rebuilt command line splits differently");
  }
  sorvi::receive_forwarded_command_line(payload);
  return run.finish();
}

namespace {

// A batch input: sections "@@ <name>" on a line of their own, each holding
// the bytes up to the next such line. "@@ args" gives the command line, one
// argument a line: words beginning with "-" are options, any other word
// names the document, a file of the work or source directory. Any other
// section name is a file of the work directory that gets the section's
// bytes; names that leave the directory are ignored.
struct BatchInput {
  std::vector<std::string> options;
  std::string document;
  std::vector<std::pair<std::string, std::string>> files;
};

// A file name of one printable word: no directory, no control byte.
bool plain_name(const std::string& name) {
  if (name.empty() || name.size() >= 100 || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c == '/' || c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

BatchInput parse_batch_input(const std::string& text) {
  BatchInput input;
  size_t at = text.rfind("@@ ", 0) == 0 ? 0 : text.find("\n@@ ");
  if (at == std::string::npos) return input;
  if (at > 0) ++at;
  while (at < text.size()) {
    const size_t name_end = text.find('\n', at);
    std::string name = text.substr(at + 3, name_end == std::string::npos ? std::string::npos : name_end - at - 3);
    if (!name.empty() && name.back() == '\r') name.pop_back();
    const size_t body = name_end == std::string::npos ? text.size() : name_end + 1;
    size_t next = text.find("\n@@ ", body > 0 ? body - 1 : 0);
    const size_t body_end = next == std::string::npos ? text.size() : next + 1;
    const std::string bytes = text.substr(body, body_end > body ? body_end - body : 0);
    if (name == "args") {
      size_t line_at = 0;
      while (line_at < bytes.size()) {
        size_t eol = bytes.find('\n', line_at);
        if (eol == std::string::npos) eol = bytes.size();
        std::string word = bytes.substr(line_at, eol - line_at);
        if (!word.empty() && word.back() == '\r') word.pop_back();
        if (!word.empty() && word[0] == '-') {
          if (input.options.size() < 32) input.options.push_back(word);
        } else if (plain_name(word)) {
          input.document = word;
        }
        line_at = eol + 1;
      }
    } else if (plain_name(name) && input.files.size() < 32) {
      input.files.emplace_back(name, bytes);
    }
    if (next == std::string::npos) break;
    at = next + 1;
  }
  return input;
}

}  // namespace

int fuzz_batch(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const BatchInput input = parse_batch_input(std::string(reinterpret_cast<const char*>(data), size));
  for (const auto& [name, bytes] : input.files) run.put("work/" + name, bytes);
  std::string document = input.document.empty() ? set->module().stem + ".ref" : input.document;
  // A source file's name is taken from the source directory when the work
  // directory has no such file.
  if (!set->pristine.count("work/" + document) && set->pristine.count("src/" + document))
    document = set->summary.source_dir + document;
  std::vector<std::string> args{"sorvi"};
  args.insert(args.end(), input.options.begin(), input.options.end());
  args.push_back(document);
  args.push_back("-VMODE");
  const sorvi::CSorviCommandLineInfo info = sorvi::startup_parse_command_line(args);
  sorvi::run_batch(info);
  return run.finish(true);
}

}  // namespace sorvi_fuzz
