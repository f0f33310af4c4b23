#include "export/export_runner.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <fstream>

#include "base/fatal_report.h"
#include "base/file_utils.h"
#include "config/profile.h"
#include "export/export_text.h"
#include "export/html_writer.h"
#include "export/report_writers.h"
#include "workfiles/module_registry.h"

namespace sorvi_export {

namespace {

// What the core's fatal report said while one module was read. The hooks
// return, so the reader gives back its failure and the module is skipped.
struct CoreReport {
  bool reported = false;
  std::string text;
};
CoreReport& core_report() {
  static CoreReport r;
  return r;
}

void install_report_capture() {
  auto hook = [](int, const char* text) {
    core_report().reported = true;
    if (text && *text) core_report().text += std::string(text) + "\n";
  };
  sorvi::set_channel_a_hook(hook);
  sorvi::set_channel_b_hook(hook);
  sorvi::set_report_sink([](const std::string& text) { core_report().text += text; });
}

// The report's text on one line.
std::string one_line(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

bool write_file(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok && std::rename(temporary.c_str(), path.c_str()) == 0;
}

std::string part_path(const std::string& parts, size_t i, const char* ext) {
  return parts + std::to_string(i) + ext;
}

// Exports module i into its part file ("<i>.part"), or says why not ("<i>.err").
void export_one(const ExportOptions& o, const std::string& stem, size_t i, const std::string& parts,
                const std::string& html_root) {
  core_report() = CoreReport();
  ModuleExport m;
  std::string error;
  try {
    error = export_module(o, stem, html_root, m);
  } catch (const std::exception& e) {
    error = std::string("export failed: ") + e.what();
  }
  if (core_report().reported || (!error.empty() && !core_report().text.empty())) {
    const std::string said = one_line(core_report().text);
    error = (error.empty() ? "damaged work file" : error) + (said.empty() ? "" : ": " + said);
  }
  if (!error.empty()) {
    write_file(part_path(parts, i, ".err"), error);
    return;
  }
  const std::string temporary = part_path(parts, i, ".tmp");
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return;
  const bool ok = write_module_part(f, m);
  if (std::fclose(f) == 0 && ok) std::rename(temporary.c_str(), part_path(parts, i, ".part").c_str());
}

// Starts a worker process that exports the modules i = first, first + step, ...
pid_t start_worker(const ExportOptions& o, const std::vector<std::string>& stems, const std::vector<size_t>& which,
                   const std::string& parts, const std::string& html_root) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  install_report_capture();
  for (size_t i : which) export_one(o, stems[i], i, parts, html_root);
  std::fflush(nullptr);
  _exit(0);
}

void wait_for(const std::vector<pid_t>& workers) {
  for (pid_t pid : workers) {
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
  }
}

void remove_tree(const std::string& path) {
  if (path.empty()) return;
  const std::string command = "rm -rf '" + path + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sorvi-export: cannot remove %s\n", path.c_str());
}

// LCOV's test name of a test case: its name in "<Seq>.tci" of the results
// directory, with every character other than a letter, a digit or "_"
// made "_"; "<Seq>_tc<N>" when the list does not name it.
std::string test_name(const ExportOptions& o, const std::string& result_directory) {
  std::string name = o.sequence + "_tc" + std::to_string(o.test_case);
  std::ifstream tci(sorvi::with_trailing_separator(result_directory) + o.sequence + ".tci");
  std::vector<std::string> items;
  for (std::string line; std::getline(tci, line);) items.push_back(line);
  if (items.size() > 4) {
    const size_t rows = std::strtoul(items[2].c_str(), nullptr, 10);
    const size_t cols = std::strtoul(items[3].c_str(), nullptr, 10);
    for (size_t r = 0; cols >= 2 && r < rows; ++r) {
      const size_t at = 4 + cols + r * cols;
      if (at + 1 < items.size() && std::atoi(items[at].c_str()) == o.test_case) name = items[at + 1];
    }
  }
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

std::string without_trailing_separator(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::vector<std::string> export_stems(const ExportOptions& o, std::string& error) {
  const std::string work = sorvi::with_trailing_separator(sorvi::full_path(sorvi::work_file_path("")));
  std::vector<std::string> stems;
  for (const std::string& name : o.work_files) {
    std::string path = name;
    if (sorvi::is_relative_path(path)) {
      const bool here = sorvi::is_regular_file(path) || sorvi::is_regular_file(path + ".sf1");
      path = here ? sorvi::full_path(path) : work + path;
    }
    const std::string ext = sorvi::extension_part(path);
    if (!ext.empty() && path.size() > ext.size()) path.resize(path.size() - ext.size() - (ext[0] == '.' ? 0 : 1));
    stems.push_back(path);
  }
  if (!o.work_files.empty()) return stems;

  core_report() = CoreReport();
  if (!sorvi::load_module_registry(work.c_str(), nullptr)) {
    error = "cannot read the registry " + sorvi::registry_path(work.c_str());
    return stems;
  }
  int number = 0;
  for (const sorvi::NamedIntEntry& e : sorvi::module_registry()) {
    ++number;
    const bool name_only = e.values.size() > 1 && e.values[0] == 0 && e.values[1] == 0;
    stems.push_back(work + e.name + (name_only ? std::string() : "_" + std::to_string(number)));
  }
  if (stems.empty()) error = "the registry " + sorvi::registry_path(work.c_str()) + " names no module";
  return stems;
}

int run_export(const ExportOptions& o) {
  install_report_capture();
  sorvi::get_profile_string("WORKDIR", "", false, nullptr);  // finds the profile
  const char* profile = sorvi::profile_full_path();
  if (!profile || !sorvi::is_regular_file(profile)) {
    std::fprintf(stderr, "sorvi-export: no suite profile %s (KELVAR names its folder)\n", profile ? profile : "");
    return kExitNothingWritten;
  }
  std::string error;
  const std::vector<std::string> stems = export_stems(o, error);
  if (stems.empty()) {
    std::fprintf(stderr, "sorvi-export: %s\n", error.c_str());
    return kExitNothingWritten;
  }

  // Results go under temporary names beside their final place.
  const std::string suffix = ".partial-" + std::to_string(getpid());
  const bool html = o.format == ExportFormat::kHtml;
  const std::string final_path = html ? without_trailing_separator(o.output) : o.output;
  const std::string temporary = final_path.empty() ? std::string() : final_path + suffix;
  if (html && !sorvi::make_directories(temporary)) {
    std::fprintf(stderr, "sorvi-export: cannot create %s\n", temporary.c_str());
    return kExitNothingWritten;
  }
  const char* tmpdir = std::getenv("TMPDIR");
  std::string parts_template = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/sorvi-export-XXXXXX";
  if (!mkdtemp(&parts_template[0])) {
    std::fprintf(stderr, "sorvi-export: cannot create a temporary folder\n");
    if (html) remove_tree(temporary);
    return kExitNothingWritten;
  }
  const std::string parts = parts_template + "/";

  // The workers, each with every N-th module.
  const size_t n = std::min(stems.size(), static_cast<size_t>(std::max(1, o.jobs)));
  std::vector<pid_t> workers;
  for (size_t w = 0; w < n; ++w) {
    std::vector<size_t> which;
    for (size_t i = w; i < stems.size(); i += n) which.push_back(i);
    workers.push_back(start_worker(o, stems, which, parts, temporary));
  }
  wait_for(workers);
  // A worker that ended abnormally left modules without a result: each is
  // tried once more on its own, so only the module at fault is lost.
  for (size_t i = 0; i < stems.size(); ++i) {
    if (sorvi::is_regular_file(part_path(parts, i, ".part")) || sorvi::is_regular_file(part_path(parts, i, ".err")))
      continue;
    wait_for({start_worker(o, stems, {i}, parts, temporary)});
  }

  MergedExport merged;
  for (size_t i = 0; i < stems.size(); ++i) {
    const std::string name = sorvi::file_name_part(stems[i]);
    ModuleExport m;
    const std::string part = part_path(parts, i, ".part");
    std::FILE* f = std::fopen(part.c_str(), "rb");
    if (f) {
      const bool sarif = o.format == ExportFormat::kSarif;
      const bool ok = read_module_part(f, m, !sarif);
      std::fclose(f);
      if (ok) {
        add_module(merged, std::move(m));
        if (sarif) merged.result_files.push_back(part);
        continue;
      }
    }
    std::string why;
    std::ifstream err(part_path(parts, i, ".err"));
    std::getline(err, why);
    if (why.empty()) why = "the export of this module ended abnormally";
    std::fprintf(stderr, "sorvi-export: %s: %s; skipped\n", name.c_str(), why.c_str());
    merged.skipped.push_back(name + ": " + why);
  }
  if (merged.modules.empty()) {
    std::fprintf(stderr, "sorvi-export: no module could be exported; nothing written\n");
    remove_tree(parts_template);
    if (html) remove_tree(temporary);
    return kExitNothingWritten;
  }

  RunInfo run;
  run.version = SORVI_EXPORT_VERSION;
  run.information_uri = file_uri(sorvi::suite_file_path("Help/Kelvar.pdf"));
  if (o.test_case > 0) {
    run.test_name = test_name(o, o.result_directory.empty() ? sorvi::work_file_path("") : o.result_directory);
  }
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  run.timestamp_ms = (epoch && *epoch ? std::atoll(epoch) : static_cast<long long>(std::time(nullptr))) * 1000;

  bool written = false;
  if (html) {
    written = write_html_index(temporary, merged.modules, merged.skipped, error);
    if (written) {
      // An earlier report in the same place gives way only now.
      const std::string old = final_path + ".old-" + std::to_string(getpid());
      const bool had_old = sorvi::is_directory(final_path) && std::rename(final_path.c_str(), old.c_str()) == 0;
      written = std::rename(temporary.c_str(), final_path.c_str()) == 0;
      if (had_old) {
        if (written) {
          remove_tree(old);
        } else {
          std::rename(old.c_str(), final_path.c_str());
        }
      }
      if (!written) error = "cannot rename " + temporary + " to " + final_path;
    }
    if (!written) remove_tree(temporary);
  } else {
    std::FILE* out = temporary.empty() ? stdout : std::fopen(temporary.c_str(), "wb");
    if (out) {
      switch (o.format) {
        case ExportFormat::kSarif: written = write_sarif(out, merged, run); break;
        case ExportFormat::kLcov: written = write_lcov(out, merged, run); break;
        default: written = write_cobertura(out, merged, run); break;
      }
      if (out != stdout) {
        written = std::fclose(out) == 0 && written;
        written = written && std::rename(temporary.c_str(), final_path.c_str()) == 0;
        if (!written) std::remove(temporary.c_str());
      }
    }
    if (!written) error = "cannot write " + (final_path.empty() ? std::string("the standard output") : final_path);
  }
  remove_tree(parts_template);
  if (!written) {
    std::fprintf(stderr, "sorvi-export: %s; nothing written\n", error.c_str());
    return kExitNothingWritten;
  }
  return merged.skipped.empty() ? kExitAllExported : kExitSomeSkipped;
}

}  // namespace sorvi_export
