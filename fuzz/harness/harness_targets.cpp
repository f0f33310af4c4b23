// The table of harnesses and the seed inputs written from a sample set.
#include <sys/stat.h>
#include <unistd.h>

#include "app/command_line.h"
#include "fuzz_harness.h"
#include "glh/glq_records.h"
#include "harness_internal.h"
#include "samplegen/glh_writer.h"

namespace sorvi_fuzz {

const std::vector<FuzzTarget>& fuzz_targets() {
  static const std::vector<FuzzTarget> targets = {
      {"profile", fuzz_profile},           {"registry", fuzz_registry},
      {"index", fuzz_index},               {"source_map", fuzz_source_map},
      {"block_file", fuzz_block_file},     {"block_flags", fuzz_block_flags},
      {"counts", fuzz_counts},             {"procedures", fuzz_procedures},
      {"dataflow", fuzz_dataflow},         {"violations", fuzz_violations},
      {"penalties", fuzz_penalties},       {"report_config", fuzz_report_config},
      {"result_list", fuzz_result_list},   {"glh_file", fuzz_glh_file},
      {"glh_content", fuzz_glh_content},   {"command_line", fuzz_command_line},
      {"batch", fuzz_batch},
  };
  return targets;
}

FuzzFunction find_fuzz_target(const std::string& name) {
  for (const FuzzTarget& t : fuzz_targets()) {
    if (name == t.name) return t.run;
  }
  return nullptr;
}

namespace {

struct SeedWriter {
  std::string directory;
  bool ok = true;
  void put(const std::string& target, const std::string& name, const std::string& bytes) {
    const std::string dir = directory + "/" + target;
    mkdir(directory.c_str(), 0777);
    mkdir(dir.c_str(), 0777);
    ok = write_whole_file(dir + "/" + name, bytes) && ok;
  }
};

std::string section(const std::string& name, const std::string& bytes) { return "@@ " + name + "\n" + bytes; }

// A GLH file of a few kilobytes: a small penalty catalogue, the module's
// violations and the registry.
std::string small_glh(const FuzzSet& set, const std::string& path) {
  const sorvi_sample::SampleModule& m = set.module();
  {
    sorvi_sample::GlhWriter glh(path);
    glh.add_repository("GLQ_Repository", 6);
    std::vector<sorvi_sample::GlhRecordContent> records = {
        sorvi_sample::glq_penalty_record(1, 1, 'S', 0, 12, 0, false, false, "MISRA-C:2012 R.15.6", "Braces missing"),
        sorvi_sample::glq_penalty_record(2, 2, 'S', 0, 13, 50, true, true, "", "Procedure exceeds *** lines (MR)"),
        sorvi_sample::glq_references_record(1, 0, 0, "R.15.6;R.15.7"),
        sorvi_sample::glq_report_entry_record(1, 1, 1, 0, 'M', 0, 0),
    };
    sorvi_sample::GlhRecordDocumentContent doc;
    doc.rows = sorvi_sample::encode_gl_records(records);
    doc.indexes.push_back({"Penaltys", {{"12S", {0}, false}, {"13S", {1}, true}}});
    glh.add_record_document("GLQ_Repository", sorvi::kGlqCPenalties, doc);
    sorvi_sample::GlhTextDocumentContent sif;
    const std::string text = set.pristine.at("work/" + m.stem + ".sif");
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      sif.entries.push_back(text.substr(at, end - at));
      at = end + 1;
    }
    glh.add_work_file(m.source_path, m.stem + ".sif", sif);
    sorvi_sample::GlhTextDocumentContent blk;
    blk.entries.push_back(set.pristine.at("work/" + m.stem + ".blk"));
    blk.chunked = true;
    glh.add_work_file(m.source_path, m.stem + ".blk", blk);
    sorvi_sample::GlhTextDocumentContent registry;
    registry.entries.push_back(set.pristine.at("work/staticid.dat"));
    glh.add_work_file("$$CFG_REPOSITORY$$", "staticid", registry);
    glh.close();
  }
  return read_whole_file(path);
}

}  // namespace

bool write_fuzz_seeds(const std::string& directory) {
  FuzzSet* set = fuzz_set();
  // The seeds name the set's paths: they must be those of slot 0.
  if (!set || fuzz_scratch_slot() != 0) return false;
  const sorvi_sample::SampleModule& m = set->module();
  const auto& files = set->pristine;
  const std::string work = "work/" + m.stem;
  SeedWriter out{directory};
  out.put("profile", "sample.ini", files.at("Kelvar.ini"));
  out.put("profile", "small.ini", "[C/C++ Vexa Kelvar]\r\nKELV=\"/suite/\"\r\nWORKDIR = /w \r\n[Sorvi]\nA=1\n");
  out.put("registry", "staticid.dat", files.at("work/staticid.dat"));
  out.put("registry", "three.dat", files.at("work/staticid.dat") + "    1    0    4demo\n    2    0    4util 0 6\n");
  out.put("index", "sample.ndx", files.at(work + ".ndx"));
  out.put("source_map", "sample.smi", files.at(work + ".smi"));
  out.put("block_file", "sample.blk", files.at(work + ".blk"));
  out.put("block_flags", "sample.stb", files.at(work + ".stb"));
  out.put("counts", "pol", std::string(1, '\0') + files.at(work + ".pol"));
  out.put("counts", "pol_002", std::string(1, '\1') + files.at(work + ".pol.002"));
  out.put("counts", "tc2", std::string(1, '\2') + files.at("tests/" + m.stem + "_tc2.pol"));
  out.put("procedures", "sample.sf1", files.at(work + ".sf1"));
  out.put("dataflow", "sample.sf3", files.at(work + ".sf3"));
  out.put("violations", "sample.sif", files.at(work + ".sif"));
  out.put("penalties", "cpen.dat", files.at("suite/c/cpen.dat"));
  out.put("report_config", "creport.dat", files.at("suite/c/creport.dat"));
  out.put("result_list", "nightly.tci", files.at(set->summary.tci_path.substr(set->root().size())));
  out.put("glh_file", "small.glh", small_glh(*set, set->root() + "tmp/seed.glh"));
  unlink((set->root() + "tmp/seed.glh").c_str());
  out.put("glh_content", "zero", std::string(64, '\0'));
  out.put("glh_content", "ones", std::string(64, '\1'));
  const unsigned char mixed[] = {0x1f, 3, 0, 0, 0, 5, 0, 0, 0, 7, 1, 1, 1, 1, 0x5a, 0, 0, 0, 4, 0, 0, 0, 6, 0,
                                 0, 0, 2, 0, 0, 0, 3, '1', '2', 'S', 5, 'h', 'e', 'l', 'l', 'o'};
  out.put("glh_content", "mixed", std::string(reinterpret_cast<const char*>(mixed), sizeof mixed));
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"sorvi", "demo_1.ref", "-Language=2"},
           {"sorvi", "-VMODE", "-Procnum=3", "-Block=2", "/tmp/x.xtx"},
           {"sorvi"}}) {
    const std::vector<uint8_t> payload = sorvi::build_forwarded_command_line(args);
    out.put("command_line", "args" + std::to_string(args.size()), std::string(payload.begin(), payload.end()));
  }
  std::string all;
  for (const char* ext : {".ref", ".ndx", ".smi", ".blk", ".stb", ".pol", ".pol.002", ".sf1", ".sif", ".sf3"})
    all += section(m.stem + ext, files.at(work + ext));
  all += section("staticid.dat", files.at("work/staticid.dat"));
  out.put("batch", "aref", section("args", m.stem + ".ref\n-Language=2\n-Flags=2047\n") + all);
  out.put("batch", "cref", section("args", m.stem + ".ref\n-Language=2\n-CoverageMode\n") + all);
  out.put("batch", "asrc", section("args", m.stem + ".sif\n-Language=2\n") + all);
  out.put("batch", "vsrc", section("args", m.stem + ".sf1\n-Language=2\n") + all);
  out.put("batch", "axtx",
          section("args", m.stem + ".xtx\n-Language=2\n-Procnum=3\n-Block=2\n") + all +
              section(m.stem + ".xtx", files.at(work + ".xtx")));
  out.put("batch", "tc", section("args", m.stem + ".ref\n-Language=2\n-TC=2\n-Seq=nightly\n") +
                             section(m.stem + ".pol", files.at(work + ".pol")));
  return out.ok;
}

}  // namespace sorvi_fuzz
