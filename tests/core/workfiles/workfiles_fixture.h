// Shared set-up of the work-file tests: a profile whose work, permanent and
// "other" directories lie in a fresh temporary directory (also the current
// directory), the process-wide state reset around each test, a check that
// no test leaves an HDF5 object open; writers of the fixed-column record
// lines the readers take, and the canonical text dumps of what the readers
// give, shared by the unit tests and the sample-module round trip.
#pragma once

#include <gtest/gtest.h>
#include <hdf5.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/file_utils.h"
#include "config/profile.h"
#include "glh/glh_lib_open_close.h"
#include "standards/violation_reader.h"
#include "support/test_support.h"
#include "workfiles/block_file.h"
#include "workfiles/dataflow_reader.h"
#include "workfiles/sf1_reader.h"

namespace workfiles_test {

// "%*d" of a value: right-aligned in `width` characters.
inline std::string field(int value, int width) {
  char text[64];
  std::snprintf(text, sizeof text, "%*d", width, value);
  return text;
}

// The three 4-character fields every record line starts with.
inline std::string head(int module, int procedure, int type) {
  return field(module, 4) + field(procedure, 4) + field(type, 4);
}

// Lines joined with LF, each ended by one.
inline std::string lines(const std::vector<std::string>& all) {
  std::string text;
  for (const std::string& l : all) text += l + "\n";
  return text;
}

// A block table of procedures numbered from 1: (dummy start, dummy exit,
// block line ranges).
struct ProcedureLayout {
  bool dummy_start = false;
  bool dummy_exit = false;
  std::vector<std::pair<int, int>> blocks;
};

inline std::vector<sorvi::ProcedureBlocks> block_table(const std::vector<ProcedureLayout>& layouts) {
  std::vector<sorvi::ProcedureBlocks> table;
  for (const ProcedureLayout& s : layouts) {
    sorvi::ProcedureBlocks p;
    p.number = static_cast<int>(table.size()) + 1;
    p.hasDummyStart = s.dummy_start;
    p.hasDummyExit = s.dummy_exit;
    for (const auto& range : s.blocks) p.blocks.push_back({range.first, range.second});
    p.blockCount = static_cast<int>(p.blocks.size());
    const int last_real = p.blockCount - (s.dummy_exit ? 2 : 1);
    if (last_real >= 0) p.lastLine = p.blocks[static_cast<size_t>(last_real)].endLine;
    table.push_back(p);
  }
  return table;
}

// ---- dumps --------------------------------------------------------------------------

// " name#number/count dummy-flags lastLine [start-end ...]", "u" marking a
// block that is not instrumented.
inline std::string dump_blocks(const std::vector<sorvi::ProcedureBlocks>& procs) {
  std::ostringstream out;
  for (const sorvi::ProcedureBlocks& p : procs) {
    out << " " << p.name << "#" << p.number << "/" << p.blockCount << " " << (p.hasDummyStart ? "T" : "-")
        << (p.hasDummyExit ? "T" : "-") << " " << p.lastLine << " [";
    for (const auto& b : p.blocks) out << " " << b.startLine << "-" << b.endLine << (b.instrumented ? "" : "u");
    out << " ]";
  }
  return out.str();
}

// " kind:name:first-last#number" of each procedure.
inline std::string dump_procedures(const sorvi::procedure_list& procs) {
  std::string out;
  for (const sorvi::ProcedureRecord& p : procs) {
    out += std::string(" ") + (p.is_y_kind ? "Y" : "") + (p.is_p_kind ? "P" : "") + ":" + *p.name + ":" +
           std::to_string(p.first_line) + "-" + std::to_string(p.last_line) + "#" + std::to_string(p.procedure_number);
  }
  return out;
}

// "def procedure/block:name ... use ... ur undefined>[-]referenced:name ...".
inline std::string dump_dataflow(const sorvi::DataflowLists& lists) {
  std::ostringstream out;
  for (const auto* list : {&lists.lastDefs, &lists.firstUses}) {
    out << (list == &lists.lastDefs ? "def" : " use");
    for (const auto& i : *list) out << " " << i.procedure_number << "/" << i.block_number << ":" << i.name;
  }
  out << " ur";
  for (const sorvi::UrAnomaly& u : lists.urAnomalies) {
    out << " " << u.undefined_line << ">" << (u.negated ? "-" : "") << u.referenced_line << ":" << u.name;
  }
  return out.str();
}

// "line standard+letter module/procedure", then the main and extra texts in
// quotes, "@source line" (with a file filter), "x" for the excluded-file
// placeholder, "f" and the follow-up's line, letter and value, and "r
// module:first>place:standard+letter" for each related place in order.
inline std::string dump_violations(const sorvi::violation_list& list, bool filtered = false) {
  std::ostringstream out;
  for (const sorvi::Violation& v : list) {
    out << (&v == &list.front() ? "" : ", ") << v.line << " " << v.standard_number << (v.letter ? v.letter : '-') << " "
        << v.module_number << "/" << v.procedure_number;
    if (v.main_text) out << " \"" << *v.main_text << "\"";
    if (v.extra_text) out << " +\"" << *v.extra_text << "\"";
    if (filtered) out << " @" << v.source_line;
    if (v.excluded_mark) out << " x";
    if (v.has_follow_up) out << " f" << v.follow_up.line << v.follow_up.letter << v.follow_up.value;
    for (const sorvi::RelatedLocation& r : v.related) {
      out << " r" << r.module_number << ":" << r.first_line << ">" << r.place_line << ":" << r.standard_number
          << r.letter;
    }
  }
  return out.str();
}

// What was reported: " channel code[:text]" of each call, then the lines in brackets.
inline std::string reported(const sorvi_test::ReportCapture& capture) {
  std::string out;
  for (const sorvi_test::ReportCall& c : capture.calls()) {
    out += " " + std::string(1, c.channel) + std::to_string(c.code) + (c.text.empty() ? "" : ":" + c.text);
  }
  return out + (capture.lines().empty() ? "" : " [" + capture.lines() + "]");
}

class WorkfilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_ = std::make_unique<sorvi_test::ProfileFixture>();
    for (const char* dir : {"work", "perm", "other"}) mkdir(profile_->dir().file(dir).c_str(), 0755);
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(profile_->dir().path());
    work_dir_ = sorvi::work_file_path("");
  }

  void TearDown() override {
    const unsigned kinds = H5F_OBJ_FILE | H5F_OBJ_DATASET | H5F_OBJ_GROUP | H5F_OBJ_ATTR;
    EXPECT_EQ(sorvi::glh_lib_is_open() ? H5Fget_obj_count(H5F_OBJ_ALL, kinds) : 0, 0) << "an HDF5 object was left open";
    cwd_.reset();
    profile_.reset();
  }

  // The main section with KELV, WORKDIR and PERMDIR; extra lines below.
  void use_profile(const std::string& extra_lines) {
    const std::string dir = profile_->dir().path();
    profile_->rewrite("[C/C++ Vexa Kelvar]\nKELV=" + dir + "/suite\nWORKDIR=" + dir + "/work\nPERMDIR=" + dir +
                      "/perm\n" + extra_lines);
    sorvi_test::reset_core_state();
  }

  // A file in the work directory (which ends in "/").
  std::string work(const std::string& name) const { return work_dir_ + name; }
  // A file in a directory beside the work directory.
  std::string other(const std::string& name) const { return profile_->dir().file("other/" + name); }
  std::string lock_directory() const { return profile_->dir().file("perm/Locks/staticid.dat"); }
  std::string write_work(const std::string& name, const std::string& content) const {
    sorvi_test::write_file(work(name), content);
    return work(name);
  }

  std::unique_ptr<sorvi_test::ProfileFixture> profile_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
  std::string work_dir_;
};

}  // namespace workfiles_test
