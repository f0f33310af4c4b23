#include "samplegen/sample_code_writer.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "samplegen/sample_output_writer.h"
#include "samplegen/sample_suite_writer.h"

namespace sorvi_sample {
namespace {

// ---- execution counts per run --------------------------------------------------------------

struct Counts {
  std::array<long long, kSampleRuns> r{};
};

Counts plus(const Counts& a, const Counts& b) {
  Counts c;
  for (int k = 0; k < kSampleRuns; ++k) c.r[k] = a.r[k] + b.r[k];
  return c;
}

Counts minus(const Counts& a, const Counts& b) {
  Counts c;
  for (int k = 0; k < kSampleRuns; ++k) c.r[k] = a.r[k] - b.r[k];
  return c;
}

Counts times(const Counts& a, long long factor) {
  Counts c;
  for (int k = 0; k < kSampleRuns; ++k) c.r[k] = a.r[k] * factor;
  return c;
}

// num/den of each run's count, rounded down.
Counts portion(const Counts& a, int num, int den) {
  Counts c;
  for (int k = 0; k < kSampleRuns; ++k) c.r[k] = a.r[k] * num / den;
  return c;
}

// ---- variables ---------------------------------------------------------------------------------

enum Var : int { kA, kB, kResult, kTmp, kI, kJ, kPending, kCounter, kTable, kState, kLimit, kArgc, kVarCount };
const char* const kVarNames[kVarCount] = {"a",       "b",         "result",  "tmp",     "i",       "j",
                                          "pending", "g_counter", "g_table", "g_state", "g_limit", "argc"};
bool is_global(int v) { return v >= kCounter && v <= kLimit; }

using Vars = std::initializer_list<int>;

// ---- procedure plans -----------------------------------------------------------------------------

const char* const kVerbs[] = {"update", "check",   "scale", "filter", "read",  "reset", "apply",   "clamp",
                              "parse",  "compute", "log",   "select", "merge", "store", "convert", "track"};
const char* const kNouns[] = {"total", "limits",   "sensor",  "input",  "table",  "gain",   "level",  "state",
                              "field", "checksum", "history", "window", "offset", "buffer", "sample", "mode"};
constexpr int kVerbCount = sizeof kVerbs / sizeof kVerbs[0];
constexpr int kNounCount = sizeof kNouns / sizeof kNouns[0];

struct ProcPlan {
  std::string name;       // as the procedure list and the block file name it
  std::string call_name;  // as the code calls it
  int number = 0;
  bool is_main = false;
  bool is_static = true;
  bool dummy_start = false;
  bool extra_dummy_exit = false;
  bool ur = false;
  bool ur_definite = false;
  bool never_called = false;
  Counts calls;
  std::string purpose;
};

// ---- the generator ---------------------------------------------------------------------------------

enum BlockKind : char { kPlainBlock = 0, kDecisionBlock = 1, kReturnBlock = 2 };

struct PendingBranch {
  int from_line;
  int from_block;
  Counts counts;
};

class ModuleGenerator {
 public:
  ModuleGenerator(const SampleModuleOptions& options, SampleModuleBuild& build)
      : options_(options),
        build_(build),
        m_(build.module),
        rng_(options.seed * 1000003ULL + static_cast<uint64_t>(options.module_number)),
        cpp_(options.language == 6) {}

  bool run(std::string& error);

 private:
  // plan
  void plan_procedures();
  std::vector<std::string> header_lines() const;

  // output primitives
  int ref_count() const { return static_cast<int>(m_.ref_flags.size()); }
  int add_ref(const std::string& code, char flag, int flat, int block);
  int source(const std::string& text);
  void blank() { source(std::string()); }
  int outside(const std::string& text);
  int stmt(int depth, const std::string& text, bool exec, Vars uses = {}, Vars defs = {});
  int proc_ref(const std::string& code, bool exec, int flat, Vars uses, Vars defs);
  std::pair<int, int> stmt_pair(int depth, const std::string& first, const std::string& second, Vars uses1, Vars defs1,
                                Vars uses2, Vars defs2);

  // blocks and branches
  void open_block();
  void close_block();
  void branch_to_next(int from_line, const Counts& counts);
  void mark_current(BlockKind kind);

  // procedures
  void gen_procedure(ProcPlan& plan, int budget);
  void begin_procedure(const ProcPlan& plan);
  void end_procedure(const ProcPlan& plan);
  void gen_body(int depth, int budget, Counts& count);
  bool room_for_construct() const { return proc_blocks_ + 8 <= options_.max_blocks; }
  void gen_construct(int depth, int budget, Counts& count);
  void gen_simple(int depth);
  void gen_if(int depth, int budget, Counts& count, bool with_else);
  void gen_loop(int depth, int budget, Counts& count, bool is_for);
  void gen_switch(int depth, Counts& count);
  void gen_early_return(Counts& count);
  void gen_ur(Counts& count);
  void gen_du();
  std::string condition(std::vector<int>& uses, int& standard, char& letter);
  std::string callee();
  std::string indent(int depth, int width) const { return std::string(static_cast<size_t>(depth * width), ' '); }
  void ratio(int& num, int& den);

  // violations
  void violate(bool pf1, char letter, int number, int ref_line, int flat, int procedure, const std::string& text,
               bool follow_up = false);
  void note_uses(Vars uses, Vars defs);

  const SampleModuleOptions& options_;
  SampleModuleBuild& build_;
  SampleModule& m_;
  SampleRandom rng_;
  bool cpp_;
  TextOutput src_;
  int flat_next_ = 1;
  std::vector<ProcPlan> plans_;  // in text order: procedures 2.. first, main last
  std::string guard_;
  std::string prefix_;  // the namespace of public procedures (C++)

  // the procedure being generated
  int proc_number_ = 0;
  int proc_blocks_ = 0;
  int cur_block_ = -1;
  Counts pending_count_;
  std::vector<PendingBranch> pending_;
  std::vector<char> block_kind_;  // per module block
  int decisions_ = 0;
  int loop_depth_ = 0;
  int max_loop_depth_ = 0;
  bool early_return_ = false;
  bool unreachable_ = false;
  bool uses_a_ = false;
  bool uses_b_ = false;
  int first_global_def_ = -1;
  int pending_decl_line_ = 0;
  int text_index_ = 0;  // index of the procedure in plans_

  // the data flow of the open block
  std::vector<int> block_uses_;
  std::vector<int> block_defs_;
  unsigned used_mask_ = 0;
  unsigned defined_mask_ = 0;

  std::vector<SampleViolation> sif_;
  std::vector<SampleViolation> pf1_;
  std::vector<SampleRelatedLocation> pf1_related_;  // violation = index into pf1_
};

// ---- planning ------------------------------------------------------------------------------------------

void ModuleGenerator::plan_procedures() {
  int count = options_.procedures;
  if (count <= 0) count = std::max(1, std::min(9999, options_.target_lines / 40));
  SampleRandom names = rng_.derived(11);
  const int verb_offset = names.below(kVerbCount);
  const int noun_offset = names.below(kNounCount);
  prefix_ = options_.base_name;

  for (int k = 2; k <= count; ++k) {
    ProcPlan p;
    const int n = k - 2;
    // Every (verb, noun) pair once before numbers are added.
    const std::string verb = kVerbs[(n + verb_offset) % kVerbCount];
    const std::string noun = kNouns[(n / kVerbCount + n + noun_offset) % kNounCount];
    std::string base = verb + "_" + noun;
    if (n >= kVerbCount * kNounCount) base += "_" + std::to_string(k);
    p.number = k;
    p.is_static = !rng_.percent(25);
    if (cpp_ && !p.is_static) {
      p.name = prefix_ + "::" + base;
      p.call_name = p.name;
    } else {
      p.name = base;
      p.call_name = base;
    }
    const std::string third_person = verb.back() == 'y' ? verb.substr(0, verb.size() - 1) + "ies" : verb + "s";
    p.purpose = third_person + " the " + noun + " of the current step";
    p.dummy_start = rng_.percent(15);
    p.extra_dummy_exit = rng_.percent(10);
    p.ur = rng_.percent(30);
    p.ur_definite = rng_.percent(30);
    const int kind = rng_.below(100);
    if (kind < 10 && k > 2) {
      p.never_called = true;  // never run, and no code calls it
    } else if (kind < 18) {
      p.calls.r[0] = rng_.between(1, 6);  // the first test case only
    } else if (kind < 23) {
      p.calls.r[kSampleRuns - 1] = rng_.between(1, 4);  // the last test case only
    } else if (kind < 31) {
      for (long long& c : p.calls.r) c = rng_.between(40, 150);  // busy
    } else {
      for (long long& c : p.calls.r) c = rng_.percent(15) ? 0 : rng_.between(1, 12);
    }
    plans_.push_back(p);
  }
  ProcPlan main_plan;
  main_plan.name = "main";
  main_plan.call_name = "main";
  main_plan.number = 1;
  main_plan.is_main = true;
  main_plan.is_static = false;
  main_plan.ur = rng_.percent(50);
  main_plan.purpose = "runs one step of every sensor and reports the result";
  for (long long& c : main_plan.calls.r) c = 1;
  plans_.push_back(main_plan);
}

std::vector<std::string> ModuleGenerator::header_lines() const {
  std::vector<std::string> h;
  h.push_back("/* " + options_.base_name + ".h - interface of the " + options_.base_name + " module. */");
  h.push_back("#ifndef " + guard_);
  h.push_back("#define " + guard_);
  h.push_back("");
  h.push_back("#define DEMO_LIMIT 32");
  h.push_back("#define DEMO_SCALE(x) (x * 4)");
  h.push_back("#define DEMO_UNUSED_MASK 0x40");
  h.push_back("#define EVT_STEP 1");
  h.push_back("");
  if (cpp_) {
    h.push_back("struct demo_state_t {");
    h.push_back("    int mode;");
    h.push_back("    int level;");
    h.push_back("};");
  } else {
    h.push_back("typedef struct demo_state {");
    h.push_back("    int mode;");
    h.push_back("    int level;");
    h.push_back("} demo_state_t;");
  }
  h.push_back("");
  h.push_back("extern int g_counter;");
  h.push_back("extern demo_state_t g_state;");
  h.push_back("int log_event(int code, int value);");
  if (cpp_) h.push_back("namespace " + prefix_ + " {");
  for (const ProcPlan& p : plans_) {
    if (p.is_main || p.is_static) continue;
    const std::string& bare = cpp_ ? p.name.substr(prefix_.size() + 2) : p.name;
    h.push_back("int " + bare + "(int a, int b);");
  }
  if (cpp_) h.push_back("}  // namespace " + prefix_);
  h.push_back("");
  h.push_back(cpp_ ? "#endif  // " + guard_ : "#endif /* " + guard_ + " */");
  return h;
}

// ---- output primitives -----------------------------------------------------------------------------

int ModuleGenerator::add_ref(const std::string& code, char flag, int flat, int block) {
  build_.ref_code += code;
  build_.ref_code += '\n';
  m_.ref_flags += flag;
  m_.line_table.push_back(flat);
  build_.block_of_line.push_back(block);
  if (flag == 'T') ++m_.executable_lines;
  return ref_count();
}

int ModuleGenerator::source(const std::string& text) {
  if (options_.write_source) src_.line(text);
  ++m_.source_lines;
  return flat_next_++;
}

int ModuleGenerator::outside(const std::string& text) {
  const int flat = source(text);
  return add_ref(" " + text, 'F', flat, -1);
}

void ModuleGenerator::note_uses(Vars uses, Vars defs) {
  for (int v : uses) {
    const unsigned bit = 1u << v;
    if (!(defined_mask_ & bit) && !(used_mask_ & bit)) {
      used_mask_ |= bit;
      block_uses_.push_back(v);
    }
    if (v == kA) uses_a_ = true;
    if (v == kB) uses_b_ = true;
  }
  for (int v : defs) {
    defined_mask_ |= 1u << v;
    block_defs_.erase(std::remove(block_defs_.begin(), block_defs_.end(), v), block_defs_.end());
    block_defs_.push_back(v);
    if (is_global(v) && first_global_def_ < 0) first_global_def_ = v;
  }
}

int ModuleGenerator::proc_ref(const std::string& code, bool exec, int flat, Vars uses, Vars defs) {
  open_block();
  note_uses(uses, defs);
  const int line = add_ref(code, exec ? 'T' : 'F', flat, cur_block_);
  SampleBlock& b = m_.blocks[static_cast<size_t>(cur_block_)];
  b.end_line = line;
  if (exec) b.instrumented = true;
  return line;
}

int ModuleGenerator::stmt(int depth, const std::string& text, bool exec, Vars uses, Vars defs) {
  const int flat = source(indent(depth, 4) + text);
  return proc_ref(" " + indent(depth, 3) + text, exec, flat, uses, defs);
}

std::pair<int, int> ModuleGenerator::stmt_pair(int depth, const std::string& first, const std::string& second,
                                               Vars uses1, Vars defs1, Vars uses2, Vars defs2) {
  const int flat = source(indent(depth, 4) + first + " " + second);
  const int l1 = proc_ref(" " + indent(depth, 3) + first, true, flat, uses1, defs1);
  const int l2 = proc_ref(" " + indent(depth, 3) + second, true, flat, uses2, defs2);
  return {l1, l2};
}

// ---- blocks and branches ---------------------------------------------------------------------------

void ModuleGenerator::open_block() {
  if (cur_block_ >= 0) return;
  SampleBlock b;
  b.procedure = proc_number_;
  b.number = ++proc_blocks_;
  b.start_line = ref_count() + 1;
  b.end_line = b.start_line;
  for (int k = 0; k < kSampleRuns; ++k) {
    b.runs[k] = pending_count_.r[k];
    b.combined += b.runs[k];
  }
  m_.blocks.push_back(b);
  block_kind_.push_back(kPlainBlock);
  build_.successors.emplace_back();
  cur_block_ = static_cast<int>(m_.blocks.size()) - 1;
  for (const PendingBranch& p : pending_) {
    SampleBranch br;
    br.from = p.from_line;
    br.to = b.start_line;
    for (int k = 0; k < kSampleRuns; ++k) {
      br.runs[k] = p.counts.r[k];
      br.combined += br.runs[k];
    }
    m_.branches.push_back(br);
    build_.successors[static_cast<size_t>(p.from_block)].push_back(b.number);
  }
  pending_.clear();
  block_uses_.clear();
  block_defs_.clear();
  used_mask_ = 0;
  defined_mask_ = 0;
}

void ModuleGenerator::close_block() {
  if (cur_block_ < 0) return;
  const SampleBlock& b = m_.blocks[static_cast<size_t>(cur_block_)];
  for (int v : block_defs_) m_.dataflow.push_back({b.procedure, b.number, 1, v});
  for (int v : block_uses_) m_.dataflow.push_back({b.procedure, b.number, 2, v});
  m_.last_definitions += static_cast<int>(block_defs_.size());
  m_.first_uses += static_cast<int>(block_uses_.size());
  cur_block_ = -1;
}

void ModuleGenerator::branch_to_next(int from_line, const Counts& counts) {
  const int from_block = build_.block_of_line[static_cast<size_t>(from_line - 1)];
  pending_.push_back({from_line, from_block, counts});
}

void ModuleGenerator::mark_current(BlockKind kind) {
  if (cur_block_ >= 0) block_kind_[static_cast<size_t>(cur_block_)] = kind;
}

// ---- violations ------------------------------------------------------------------------------------------

void ModuleGenerator::violate(bool pf1, char letter, int number, int ref_line, int flat, int procedure,
                              const std::string& text, bool follow_up) {
  const SampleStandard* s = find_sample_standard(letter, number);
  SampleViolation v;
  v.file = pf1 ? ".pf1" : ".sif";
  v.letter = letter;
  v.standard = number;
  v.flattened = s && s->flattened && ref_line > 0;
  v.line = v.flattened ? flat : ref_line;
  v.ref_line = ref_line;
  v.procedure = procedure;
  v.has_text = !text.empty();
  v.text = text;
  v.follow_up = follow_up;
  (pf1 ? pf1_ : sif_).push_back(v);
}

// ---- statements -------------------------------------------------------------------------------------------

void ModuleGenerator::ratio(int& num, int& den) {
  static const int kRatios[][2] = {{0, 1}, {1, 1}, {1, 2}, {1, 3}, {2, 3}, {1, 4}, {3, 4}, {1, 5}, {4, 5}};
  const int pick = rng_.below(100);
  const int* r = pick < 9 ? kRatios[0] : pick < 18 ? kRatios[1] : kRatios[2 + rng_.below(7)];
  num = r[0];
  den = r[1];
}

std::string ModuleGenerator::callee() {
  // A procedure defined earlier in the text that some test runs.
  for (int tries = 0; tries < 4 && text_index_ > 0; ++tries) {
    const ProcPlan& p = plans_[static_cast<size_t>(rng_.below(text_index_))];
    if (!p.never_called) return p.call_name;
  }
  return std::string();
}

std::string ModuleGenerator::condition(std::vector<int>& uses, int& standard, char& letter) {
  standard = 0;
  letter = 'S';
  if (rng_.percent(15)) {
    switch (rng_.below(3)) {
      case 0:
        uses = {kA};
        standard = 9;  // an assignment where a comparison is expected
        return "(tmp = a) != 0";
      case 1:
        uses = {kA, kB};
        standard = 114;
        return "a & b";
      default:
        uses = {kTmp};
        standard = 56;
        return cpp_ ? "static_cast<float>(tmp) == 0.5F" : "(float)tmp == 0.5f";
    }
  }
  switch (rng_.below(5)) {
    case 0:
      uses = {kA, kB};
      return "a > b";
    case 1:
      uses = {kResult, kLimit};
      return "result < g_limit";
    case 2:
      uses = {kTmp};
      return "(tmp & 1) == 0";
    case 3:
      uses = {kB};
      return "b != 0";
    default:
      uses = {kState};
      return format_text("g_state.mode == %d", rng_.between(1, 3));
  }
}

void ModuleGenerator::gen_simple(int depth) {
  const int r = rng_.below(100);
  const bool main_proc = proc_number_ == 1;
  if (r < 14) {
    const int k = rng_.between(2, 9);
    const int line = stmt(depth, format_text("result = result + a * %d;", k), true, {kResult, kA}, {kResult});
    if (rng_.percent(10)) violate(false, 'S', 201, line, 0, proc_number_, std::string());
  } else if (r < 24) {
    if (rng_.percent(50)) {
      stmt(depth, "result -= b;", true, {kResult, kB}, {kResult});
    } else {
      stmt(depth, format_text("result -= b + %d;", rng_.between(1, 7)), true, {kResult, kB}, {kResult});
    }
  } else if (r < 31) {
    const int line = stmt(depth, format_text("tmp = (a << %d) ^ b;", rng_.between(1, 4)), true, {kA, kB}, {kTmp});
    violate(false, 'S', 50, line, 0, proc_number_, std::string());
  } else if (r < 37) {
    stmt(depth, "g_counter++;", true, {kCounter}, {kCounter});
  } else if (r < 43) {
    stmt(depth, "g_table[i & 31] = result;", true, {kI, kResult}, {kTable});
  } else if (r < 49) {
    stmt(depth, "result += g_table[(b + i) & 31];", true, {kResult, kB, kI, kTable}, {kResult});
  } else if (r < 55) {
    const int line = stmt(depth, "tmp = result / (b + 1);", true, {kResult, kB}, {kTmp});
    if (rng_.percent(35)) violate(true, 'D', 43, line, 0, proc_number_, std::string());
  } else if (r < 60) {
    stmt(depth, "g_state.level = tmp;", true, {kTmp}, {kState});
  } else if (r < 65) {
    stmt(depth, format_text("result = DEMO_SCALE(tmp + %d);", rng_.between(1, 3)), true, {kTmp}, {kResult});
  } else if (r < 70) {
    stmt(depth, "(void)log_event(EVT_STEP, result);", true, {kResult}, {});
  } else if (r < 76) {
    const std::string name = callee();
    if (name.empty()) {
      stmt(depth, "result ^= tmp;", true, {kResult, kTmp}, {kResult});
    } else {
      stmt(depth, "result += " + name + "(a, tmp);", true, {kResult, kA, kTmp}, {kResult});
    }
  } else if (r < 79) {
    const int line = stmt(depth, "tmp = 012 + a;", true, {kA}, {kTmp});
    violate(false, 'S', 83, line, 0, proc_number_, std::string());
  } else if (r < 82) {
    std::pair<int, int> lines = stmt_pair(depth, "a = a + 1;", "b = b - 1;", {kA}, {kA}, {kB}, {kB});
    violate(false, 'S', 130, lines.first, 0, proc_number_, std::string());
    if (!main_proc) violate(false, 'S', 107, lines.second, 0, proc_number_, std::string());
  } else if (r < 85) {
    const int line = stmt(depth, "result = tmp * 0.5;", true, {kTmp}, {kResult});
    violate(false, 'S', 93, line, 0, proc_number_, std::string(), true);
  } else if (r < 88) {
    const int line = stmt(depth, "tmp = result++ * 2;", true, {kResult}, {kTmp, kResult});
    violate(false, 'S', 30, line, 0, proc_number_, std::string());
  } else if (r < 91) {
    const int line =
        stmt(depth, cpp_ ? "std::printf(\"%d\\n\", result);" : "printf(\"%d\\n\", result);", true, {kResult}, {});
    violate(false, 'S', 382, line, 0, proc_number_, std::string());
  } else if (r < 95) {
    static const char* const kComments[] = {"/* keep the running total in range */", "/* next sample */",
                                            "/* the table wraps at 32 entries */", "/* see the interface notes */"};
    stmt(depth, kComments[rng_.below(4)], false);
  } else {
    const int line = stmt(depth, "result &= 0x7fff;", true, {kResult}, {kResult});
    violate(false, 'S', 201, line, 0, proc_number_, std::string());
  }
}

void ModuleGenerator::gen_if(int depth, int budget, Counts& count, bool with_else) {
  std::vector<int> uses;
  int standard = 0;
  char letter = 'S';
  const std::string cond = condition(uses, standard, letter);
  const int flat = source(indent(depth, 4) + "if (" + cond + ") {");
  const int d = proc_ref(" " + indent(depth, 3) + "if (" + cond + ") {", true, flat, {}, {});
  for (int v : uses) note_uses({v}, {});
  if (standard == 9) note_uses({}, {kTmp});
  if (standard) violate(false, letter, standard, d, 0, proc_number_, std::string());
  mark_current(kDecisionBlock);
  close_block();
  ++decisions_;

  int num = 1;
  int den = 2;
  ratio(num, den);
  const Counts taken = portion(count, num, den);
  pending_count_ = taken;
  branch_to_next(d, taken);
  Counts inner = taken;
  const int then_budget = with_else ? std::max(1, (budget - 3) / 2) : std::max(1, budget - 2);
  gen_body(depth + 1, then_budget, inner);
  if (with_else) {
    stmt(depth, "} else {", false);
    close_block();
    const Counts other = minus(count, taken);
    pending_count_ = other;
    branch_to_next(d, other);
    Counts inner_else = other;
    gen_body(depth + 1, std::max(1, budget - 3 - then_budget), inner_else);
    stmt(depth, "}", false);
    close_block();
  } else {
    stmt(depth, "}", false);
    close_block();
    branch_to_next(d, minus(count, taken));
  }
  pending_count_ = count;
}

void ModuleGenerator::gen_loop(int depth, int budget, Counts& count, bool is_for) {
  close_block();  // the loop test starts a block of its own: the loop comes back to it
  const int loops = rng_.percent(6) ? 0 : rng_.between(1, 6);
  const bool inner_loop = loop_depth_ > 0;
  const Counts body = times(count, loops);
  pending_count_ = plus(body, count);
  std::string header;
  std::vector<int> uses;
  std::vector<int> defs;
  const char* var = inner_loop ? "j" : "i";
  const int var_id = inner_loop ? kJ : kI;
  if (is_for && loops > 0) {
    header = format_text("for (%s = 0; %s < %d; %s++) {", var, var, loops, var);
  } else {
    header = loops > 0 ? format_text("while (tmp > %d) {", loops) : "while (tmp > g_limit) {";
  }
  const int flat = source(indent(depth, 4) + header);
  const int h = proc_ref(" " + indent(depth, 3) + header, true, flat, {}, {});
  if (is_for && loops > 0) {
    note_uses({var_id}, {var_id});
  } else {
    note_uses({kTmp}, {});
    if (loops == 0) note_uses({kLimit}, {});
  }
  mark_current(kDecisionBlock);
  close_block();
  ++decisions_;

  pending_count_ = body;
  branch_to_next(h, body);
  ++loop_depth_;
  max_loop_depth_ = std::max(max_loop_depth_, loop_depth_);
  Counts inner = body;
  gen_body(depth + 1, std::max(1, budget - (is_for ? 2 : 3)), inner);
  if (!is_for || loops == 0) stmt(depth + 1, "tmp = tmp - 1;", true, {kTmp}, {kTmp});
  --loop_depth_;
  stmt(depth, "}", false);
  close_block();
  pending_count_ = count;
  branch_to_next(h, count);
}

void ModuleGenerator::gen_switch(int depth, Counts& count) {
  open_block();
  const int flat = source(indent(depth, 4) + "switch (b & 3) {");
  const int s = proc_ref(" " + indent(depth, 3) + "switch (b & 3) {", true, flat, {kB}, {});
  const bool has_default = !rng_.percent(35);
  const bool fall_through = rng_.percent(40);
  if (!has_default) violate(false, 'S', 48, s, 0, proc_number_, std::string());
  mark_current(kDecisionBlock);
  close_block();
  ++decisions_;

  const int cases = has_default ? 4 : 3;
  Counts left = count;
  Counts falling;  // executions that fall into the next case
  for (int c = 0; c < cases; ++c) {
    int num = 1;
    int den = 2;
    ratio(num, den);
    const Counts direct = c + 1 == cases && has_default ? left : portion(left, num, den);
    left = minus(left, direct);
    pending_count_ = plus(direct, falling);
    branch_to_next(s, direct);
    const bool is_default = has_default && c == cases - 1;
    const int label = stmt(depth, is_default ? "default:" : format_text("case %d:", c), false);
    switch (c) {
      case 0:
        stmt(depth + 1, "result += a;", true, {kResult, kA}, {kResult});
        break;
      case 1:
        stmt(depth + 1, "result -= a;", true, {kResult, kA}, {kResult});
        break;
      case 2:
        stmt(depth + 1, "tmp = result;", true, {kResult}, {kTmp});
        break;
      default:
        stmt(depth + 1, "result = 0;", true, {}, {kResult});
        break;
    }
    if (c == 1 && fall_through) {
      stmt(depth + 1, "/* fall through */", false);
      violate(false, 'S', 62, label, 0, proc_number_, std::string());
      falling = pending_count_;
      // The next case's block is entered from here as well.
      close_block();
    } else {
      stmt(depth + 1, "break;", true);
      close_block();
      falling = Counts();
    }
  }
  if (!has_default) branch_to_next(s, left);
  pending_count_ = count;
  stmt(depth, "}", false);
}

void ModuleGenerator::gen_early_return(Counts& count) {
  open_block();
  const std::string test = proc_number_ == 1 ? "argc > 8" : "b < 0";
  const int flat = source(indent(1, 4) + "if (" + test + ") {");
  const int d = proc_ref(" " + indent(1, 3) + "if (" + test + ") {", true, flat, {proc_number_ == 1 ? kArgc : kB}, {});
  mark_current(kDecisionBlock);
  close_block();
  ++decisions_;
  early_return_ = true;

  const Counts taken = rng_.percent(50) ? Counts() : portion(count, 1, 5);
  pending_count_ = taken;
  branch_to_next(d, taken);
  stmt(2, proc_number_ == 1 ? "return 1;" : "return -1;", true);
  mark_current(kReturnBlock);
  if (!unreachable_ && rng_.percent(40)) {
    close_block();
    pending_count_ = Counts();
    const int line = stmt(2, "g_counter--;", true, {kCounter}, {kCounter});
    violate(false, 'Z', 1, line, 0, proc_number_, std::string());
    unreachable_ = true;
  }
  stmt(1, "}", false);
  close_block();
  count = minus(count, taken);
  pending_count_ = count;
  branch_to_next(d, count);
}

void ModuleGenerator::gen_ur(Counts& count) {
  const ProcPlan& plan = plans_[static_cast<size_t>(text_index_)];
  const std::string use_text = "result += pending;";
  if (!plan.ur_definite) {
    open_block();
    const int flat = source(indent(1, 4) + "if (a > b) {");
    const int d = proc_ref(" " + indent(1, 3) + "if (a > b) {", true, flat, {kA, kB}, {});
    mark_current(kDecisionBlock);
    close_block();
    ++decisions_;
    int num = 1;
    int den = 2;
    ratio(num, den);
    const Counts taken = portion(count, num, den);
    pending_count_ = taken;
    branch_to_next(d, taken);
    stmt(2, "pending = a - b;", true, {kA, kB}, {kPending});
    stmt(1, "}", false);
    close_block();
    pending_count_ = count;
    branch_to_next(d, minus(count, taken));
  }
  const int use = stmt(1, use_text, true, {kResult, kPending}, {kResult});
  const int procedure = proc_number_;
  violate(true, 'D', 69, use, 0, procedure, "UR anomaly, variable used before assignment : pending");
  pf1_related_.push_back({static_cast<int>(pf1_.size()) - 1, procedure, use, pending_decl_line_, use});
  // The anomaly record's lines follow two free-standing integers, so an
  // undefined line of seven digits would run into them, and a negated
  // referenced line of seven digits does not fit its field: beyond line
  // 999999 only the violation tells of the anomaly.
  if (use < 1000000) {
    SampleUrAnomaly ur;
    ur.procedure = procedure;
    ur.undefined_line = pending_decl_line_;
    ur.referenced_line = use;
    ur.negated = !plan.ur_definite;
    ur.name = "pending";
    m_.ur_anomalies.push_back(ur);
  }
}

void ModuleGenerator::gen_du() {
  const int first = stmt(1, "tmp = a + 1;", true, {kA}, {kTmp});
  const int second = stmt(1, "tmp = b * 2;", true, {kB}, {kTmp});
  violate(true, 'D', 105, first, 0, proc_number_, "DU anomaly, variable value is not used : tmp");
  // Related through its first line: the record names no violation line.
  pf1_related_.push_back({static_cast<int>(pf1_.size()) - 1, proc_number_, first, second, 0});
}

void ModuleGenerator::gen_construct(int depth, int budget, Counts& count) {
  const int r = rng_.below(100);
  if (r < 30) {
    gen_if(depth, budget, count, false);
  } else if (r < 52) {
    gen_if(depth, budget, count, true);
  } else if (r < 74) {
    gen_loop(depth, budget, count, true);
  } else if (r < 86) {
    gen_loop(depth, budget, count, false);
  } else if (r < 96 || depth > 1) {
    gen_switch(depth, count);
  } else {
    gen_du();
  }
}

void ModuleGenerator::gen_body(int depth, int budget, Counts& count) {
  const int start = ref_count();
  do {
    const int remaining = budget - (ref_count() - start);
    if (depth < 3 && remaining >= 6 && room_for_construct() && rng_.percent(depth == 1 ? 30 : 20)) {
      const int sub = std::min(remaining - 2, rng_.between(4, std::max(4, remaining / 2)));
      gen_construct(depth, sub, count);
    } else {
      gen_simple(depth);
    }
  } while (ref_count() - start < budget);
}

// ---- procedures -------------------------------------------------------------------------------------------

void ModuleGenerator::begin_procedure(const ProcPlan& plan) {
  proc_number_ = plan.number;
  proc_blocks_ = 0;
  cur_block_ = -1;
  pending_.clear();
  pending_count_ = plan.calls;
  decisions_ = 0;
  loop_depth_ = 0;
  max_loop_depth_ = 0;
  early_return_ = false;
  unreachable_ = false;
  uses_a_ = false;
  uses_b_ = false;
  first_global_def_ = -1;
  pending_decl_line_ = 0;

  SampleProcedure p;
  p.name = plan.name;
  p.number = plan.number;
  p.kind = plan.is_main ? 'Y' : 'P';
  p.first_block = static_cast<int>(m_.blocks.size());
  p.dummy_start = plan.dummy_start && !plan.is_main;
  m_.procedures.push_back(p);
  if (p.dummy_start) {
    SampleBlock dummy;
    dummy.procedure = plan.number;
    dummy.number = ++proc_blocks_;
    dummy.start_line = ref_count() + 1;
    dummy.end_line = dummy.start_line;
    dummy.dummy = true;
    m_.blocks.push_back(dummy);
    block_kind_.push_back(kPlainBlock);
    build_.successors.emplace_back();
  }
}

void ModuleGenerator::end_procedure(const ProcPlan& plan) {
  close_block();
  SampleProcedure& p = m_.procedures.back();
  p.last_line = ref_count();
  p.dummy_exit = early_return_ || plan.extra_dummy_exit;
  if (p.dummy_exit) {
    SampleBlock dummy;
    dummy.procedure = plan.number;
    dummy.number = ++proc_blocks_;
    dummy.start_line = p.last_line;
    dummy.end_line = p.last_line;
    dummy.dummy = true;
    m_.blocks.push_back(dummy);
    block_kind_.push_back(kPlainBlock);
    build_.successors.emplace_back();
  }
  p.block_count = proc_blocks_;
  p.decisions = decisions_;
  p.ref_lines = p.last_line - p.first_line + 1;

  // Successors of the blocks that do not branch: the next block, or the
  // dummy exit node after a return and at the end.
  const int first = p.first_block;
  const int last_real = p.block_count - (p.dummy_exit ? 1 : 0);  // number of the last real block
  for (int n = 1; n <= p.block_count; ++n) {
    const size_t index = static_cast<size_t>(first + n - 1);
    std::vector<int>& next = build_.successors[index];
    if (m_.blocks[index].dummy) {
      if (n == 1 && p.dummy_start && p.block_count > 1) next.push_back(2);
      continue;
    }
    if (block_kind_[index] == kDecisionBlock) continue;
    if (block_kind_[index] == kReturnBlock || n == last_real) {
      if (p.dummy_exit) next.push_back(p.block_count);
    } else {
      next.push_back(n + 1);
    }
  }

  // Procedure-level findings.
  const int number = plan.number;
  if (p.ref_lines > 50) violate(false, 'C', 1, 0, 0, number, std::string());
  if (decisions_ + 1 > 10) violate(false, 'C', 2, 0, 0, number, std::string());
  if (max_loop_depth_ > 1) violate(false, 'C', 3, 0, 0, number, std::string());
  if (early_return_) violate(false, 'C', 4, 0, 0, number, std::string());
  if (plan.never_called) violate(false, 'X', 1, 0, 0, number, std::string());
  if (unreachable_) violate(false, 'Z', 2, 0, 0, number, std::string());
  if (!plan.is_main && (!uses_a_ || !uses_b_)) {
    violate(true, 'I', 2, 0, 0, number, std::string("Procedure parameter not used : ") + (uses_a_ ? "b" : "a"));
  }
  if (first_global_def_ >= 0) {
    violate(true, 'I', 1, 0, 0, number,
            std::string("Global variable modified in procedure : ") + kVarNames[first_global_def_]);
  }
}

void ModuleGenerator::gen_procedure(ProcPlan& plan, int budget) {
  const int start = ref_count();
  if (plan.is_main) begin_procedure(plan);  // main's first block starts right after the procedure before it
  if (plan.is_main) {
    stmt(0, "/* " + plan.name + ": " + plan.purpose + ". */", false);
  } else {
    outside("/* " + plan.name + ": " + plan.purpose + ". */");
    begin_procedure(plan);
  }
  std::string header;
  if (plan.is_main) {
    header = "int main(int argc, char *argv[])";
  } else {
    header = std::string(plan.is_static ? "static " : "") + "int " + plan.name + "(int a, int b)";
  }
  const int first_line = plan.is_main ? stmt(0, header, false, {}, {kArgc}) : stmt(0, header, false, {}, {kA, kB});
  m_.procedures.back().first_line = first_line;
  stmt(0, "{", false);
  if (plan.is_main) {
    stmt(1, "int a = argc;", true, {kArgc}, {kA});
    stmt(1, "int b = 3;", true, {}, {kB});
    stmt(1, "int result = 0;", true, {}, {kResult});
    stmt(1, "int tmp = b;", true, {kB}, {kTmp});
  } else if (rng_.percent(50)) {
    stmt(1, "int result = a;", true, {kA}, {kResult});
    stmt(1, "int tmp = b;", true, {kB}, {kTmp});
  } else {
    stmt(1, "int result = 0;", true, {}, {kResult});
    stmt(1, "int tmp = 0;", true, {}, {kTmp});
  }
  stmt(1, "int i = 0, j = 0;", true, {}, {kI, kJ});
  if (plan.ur) pending_decl_line_ = stmt(1, "int pending;", false);
  if (plan.is_main) stmt(1, "(void)argv;", true);
  blank();

  Counts count = plan.calls;
  const int overhead = ref_count() - start + 2;
  int body = std::max(1, budget - overhead);
  if (plan.is_main) {
    // Main runs a step of several procedures.
    const int calls = std::min(3, text_index_);
    for (int c = 0; c < calls; ++c) {
      const std::string name = callee();
      if (!name.empty()) stmt(1, "result += " + name + "(a, b);", true, {kResult, kA, kB}, {kResult});
    }
    body = std::max(1, body - calls);
  }
  const bool early = rng_.percent(25) && room_for_construct() && body >= 8;
  const bool ur = plan.ur && room_for_construct() && body >= 6;
  const bool du = rng_.percent(8) && body >= 8;
  if (early) gen_early_return(count);
  gen_body(1, std::max(1, body - (early ? 3 : 0) - (ur ? 4 : 0) - (du ? 2 : 0)), count);
  if (ur) gen_ur(count);
  if (du) gen_du();
  if (plan.is_main) {
    stmt(1, "return 0;", true);
  } else {
    stmt(1, "return result;", true, {kResult}, {});
  }
  stmt(0, "}", false);
  end_procedure(plan);
  if (!plan.is_main) blank();
}

bool ModuleGenerator::run(std::string& error) {
  m_.base_name = options_.base_name;
  m_.source_path = options_.source_path;
  m_.header_path = options_.header_path;
  m_.module_number = options_.module_number;
  m_.language = options_.language;
  guard_.clear();
  for (char c : options_.base_name) guard_ += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  guard_ += "_H";

  plan_procedures();
  const std::vector<std::string> header = header_lines();
  m_.header_lines = static_cast<int>(header.size());
  if (options_.write_source) {
    TextOutput h(options_.header_path);
    for (const std::string& line : header) h.line(line);
    if (!h.close()) {
      error = "cannot write " + options_.header_path;
      return false;
    }
    if (!src_.open(options_.source_path)) {
      error = "cannot write " + options_.source_path;
      return false;
    }
  }

  // The five header lines of the reformatted file.
  const char* language = cpp_ ? "C++" : "C";
  add_ref(" Kelvar reformatted source", ' ', 0, -1);
  add_ref(" File      : " + options_.source_path, ' ', 0, -1);
  add_ref(format_text(" Module    : %s_%d (module %d, %s)", options_.base_name.c_str(), options_.module_number,
                      options_.module_number, language),
          ' ', 0, -1);
  add_ref(format_text(" Generated : sorvi-samplegen, seed %llu", static_cast<unsigned long long>(options_.seed)), ' ',
          0, -1);
  add_ref(" ", ' ', 0, -1);

  // Prologue, with the header laid out in place of its include line.
  const std::string file_name = options_.base_name + (cpp_ ? ".cpp" : ".c");
  outside("/* " + file_name + " - the " + options_.base_name + " module of a Kelvar sample analysis set. */");
  outside("/* Generated code: loops, branches and a few doubtful constructs. */");
  blank();
  outside(cpp_ ? "#include <cstdio>" : "#include <stdio.h>");
  outside(cpp_ ? "#include <cstring>" : "#include <string.h>");
  {
    if (options_.write_source) src_.line("#include \"" + options_.base_name + ".h\"");
    ++m_.source_lines;
    m_.include_start = flat_next_;
    m_.include_end = flat_next_ + m_.header_lines - 1;
    for (size_t i = 0; i < header.size(); ++i) {
      if (header[i].empty()) continue;
      const int flat = m_.include_start + static_cast<int>(i);
      const int line = add_ref(" " + header[i], 'F', flat, -1);
      if (header[i].compare(0, 22, "#define DEMO_SCALE(x) ") == 0) violate(false, 'S', 78, line, flat, 0, "");
      if (header[i].compare(0, 24, "#define DEMO_UNUSED_MASK") == 0) violate(false, 'H', 5, line, flat, 0, "");
      if (header[i].compare(0, 14, "int log_event(") == 0) violate(false, 'H', 9, line, flat, 0, "");
    }
    flat_next_ = m_.include_end + 1;
  }
  blank();
  {
    const int flat = flat_next_;
    const int line = outside("#define TRACE(v) (void)log_event(EVT_STEP, (v));");
    violate(false, 'S', 79, line, flat, 0, "");
  }
  blank();
  outside("int g_counter = 0;");
  outside("demo_state_t g_state;");
  outside("static int g_table[32];");
  outside("static int g_limit = DEMO_LIMIT;");
  blank();
  violate(false, 'X', 27, 0, 0, 0, "Global variable not initialised in module : g_state");

  // Procedures: the others in text order, main last.
  for (size_t k = 0; k < plans_.size(); ++k) {
    text_index_ = static_cast<int>(k);
    const int left = static_cast<int>(plans_.size() - k);
    const int remaining = options_.target_lines - ref_count();
    int budget = remaining / left;
    if (left > 1) budget = budget * rng_.between(60, 140) / 100;
    gen_procedure(plans_[k], std::max(10, budget));
  }

  if (options_.write_source && !src_.close()) {
    error = "cannot write " + options_.source_path;
    return false;
  }

  // Line width: wide enough for the last line number.
  m_.ref_lines = ref_count();
  m_.line_width = std::max({6, options_.line_width, decimal_digits(m_.ref_lines)});
  if (m_.line_width > 9) {
    error = "the reformatted file is too long";
    return false;
  }

  // A block without an executable line has no count of its own in the
  // count files, whatever passed through it.
  for (SampleBlock& b : m_.blocks) {
    if (b.instrumented) continue;
    for (long long& r : b.runs) r = 0;
    b.combined = 0;
  }

  std::stable_sort(m_.branches.begin(), m_.branches.end(), [](const SampleBranch& x, const SampleBranch& y) {
    return x.from != y.from ? x.from < y.from : x.to < y.to;
  });

  // Violations: the .sif file's, then the .pf1 file's; related locations
  // point into the joined list.
  const int sif_count = static_cast<int>(sif_.size());
  m_.violations = std::move(sif_);
  for (SampleViolation& v : pf1_) m_.violations.push_back(std::move(v));
  for (SampleRelatedLocation r : pf1_related_) {
    r.violation += sif_count;
    ++m_.violations[static_cast<size_t>(r.violation)].related;
    build_.related.push_back(r);
  }
  for (const SampleViolation& v : m_.violations) {
    (v.file == ".sif" ? m_.sif_records : m_.pf1_records) += 1;
    if (v.line > 0) {
      ++m_.line_violations;
    } else if (v.procedure > 0) {
      ++m_.procedure_violations;
    } else {
      ++m_.file_violations;
    }
    if (v.follow_up) ++m_.follow_up_records;
  }
  m_.related_records = static_cast<int>(build_.related.size());
  for (int v = 0; v < kVarCount; ++v) m_.variables.push_back(kVarNames[v]);
  return true;
}

}  // namespace

bool build_sample_module(const SampleModuleOptions& options, SampleModuleBuild& build, std::string& error) {
  build = SampleModuleBuild();
  ModuleGenerator generator(options, build);
  return generator.run(error);
}

}  // namespace sorvi_sample
