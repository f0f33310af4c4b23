#include "annotate/rtf_writer.h"

#include <cerrno>
#include <cstring>

#include "base/safe_output.h"

namespace sorvi {
namespace {

// Lines of this length or more are written unescaped as their own paragraph.
constexpr size_t kLongLine = 1010;
// An escaped text of this length ends the written text.
constexpr size_t kMaxEscaped = 1040;

// Whether the text holds a character RTF escapes: one pass that the
// compiler can do many characters at a time.
bool has_rtf_special(const char* text, size_t size) {
  unsigned char any = 0;
  for (size_t i = 0; i < size; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    any |= static_cast<unsigned char>((c == '\\') | (c == '{') | (c == '}'));
  }
  return any != 0;
}

}  // namespace

int rtf_colour_entry(int style) {
  switch (style) {
    case 1:
    case 2:
    case 3:
      return 0;
    case 4:
      return 1;
    case 5:
      return 2;
    case 6:
      return 3;
    case 7:
      return 6;
    case 8:
      return 8;
    case 9:
      return 4;
    case 10:
      return 7;
    default:
      return 5;
  }
}

RtfStreamWriter::RtfStreamWriter(std::FILE* out, const RtfFont& font, const SwitchedOn& switched, int caret_line)
    : out_(out), caret_(switched, caret_line) {
  set_default_status_colours(colour_red(font.text_colour), colour_green(font.text_colour),
                             colour_blue(font.text_colour));
  buffer_.reserve(1 << 16);
  buffer_ += "{\\rtf1\\ansi\\deff0\\deflang2057{\\fonttbl{\\f0\\fmodern\\fprq1 ";
  buffer_ += font.face;
  buffer_ += ";}}\n{\\colortbl";
  char entry[64];
  for (int i = 0; i <= 8; ++i) {
    const PackedColour c = status_colour(i);
    std::snprintf(entry, sizeof entry, "\\red%d\\green%d\\blue%d;", colour_red(c), colour_green(c), colour_blue(c));
    buffer_ += entry;
    if (i == 6) buffer_ += "\n";
  }
  std::snprintf(entry, sizeof entry, "}\\viewkind5\\uc1\\pard\\f0\\fs%d\\cf5\n", font.height_twips / 10);
  buffer_ += entry;
}

void RtfStreamWriter::flush_buffer() {
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size() && !failed_) {
    failed_ = true;
    error_ = errno;
  }
  since_writeback_ += buffer_.size();
  buffer_.clear();
  if (writeback_every_ > 0 && since_writeback_ >= writeback_every_) {
    start_writeback(out_);
    since_writeback_ = 0;
  }
}

void RtfStreamWriter::write_line(int style, const char* text, size_t size) {
  if (style != previous_style_) {
    buffer_ += "\\cf";
    buffer_ += static_cast<char>('0' + rtf_colour_entry(style));
    buffer_ += ' ';
  }
  previous_style_ = style;
  if (size >= kLongLine) {
    buffer_.append(text, size);
    buffer_ += "\\par\n";
  } else if (!has_rtf_special(text, size)) {
    // Nothing to escape, and short enough not to end the text.
    buffer_.append(text, size);
    buffer_ += "\\\n";
  } else {
    size_t escaped_length = size;
    size_t closing = 0;
    for (size_t i = 0; i < size; ++i) {
      escaped_length += (text[i] == '\\' || text[i] == '{');
      closing += (text[i] == '}');
    }
    if (escaped_length >= kMaxEscaped) {
      buffer_ +=
          "\\plain\\f0\\fs20\\cf2 \\\n<VEXA Maximum line size exceeded: 1040 > - \nPress <Src Lines> to view "
          "truncated\\\n\\plain\\f0\\fs20\\cf0 ";
      truncated_ = true;
      return;
    }
    buffer_.reserve(buffer_.size() + escaped_length + closing + 2);
    for (size_t i = 0; i < size; ++i) {
      const char c = text[i];
      if (c == '\\' || c == '{' || c == '}') buffer_ += '\\';
      buffer_ += c;
    }
    buffer_ += "\\\n";
  }
  if (buffer_.size() >= (1 << 16)) flush_buffer();
}

void RtfStreamWriter::write(int style, const char* text, size_t size, bool /*note*/) {
  if (truncated_) return;
  caret_.line(style);
  write_line(style, text, size);
}

void RtfStreamWriter::take(AnnotatedChunk&& chunk) {
  for (AnnotatedLine& line : chunk) {
    if (truncated_) break;
    write(line.style, line.text.data(), line.text.size(), line.note);
    std::string().swap(line.text);
  }
  AnnotatedChunk().swap(chunk);
}

bool RtfStreamWriter::finish() {
  caret_.finish();
  if (!truncated_) buffer_ += "\\par\n}\n";
  flush_buffer();
  if (std::fflush(out_) != 0 && !failed_) {
    failed_ = true;
    error_ = errno;
  }
  return !failed_;
}

bool write_rtf_file(const std::string& path, AnnotatedLineList& lines, const RtfFont& font,
                    const SwitchedOn& switched, int* caret_line) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  RtfStreamWriter writer(out, font, switched, caret_line ? *caret_line : 0);
  for (AnnotatedChunk chunk = lines.take_chunk(); !chunk.empty(); chunk = lines.take_chunk()) {
    writer.take(std::move(chunk));
  }
  bool ok = writer.finish();
  ok = std::fclose(out) == 0 && ok;
  if (caret_line) *caret_line = writer.caret_line();
  return ok;
}

namespace {

// Splits a path's file part into stem and extension (without the dot).
void stem_and_extension(const std::string& path, std::string* dir, std::string* stem, std::string* ext) {
  size_t slash = path.find_last_of("/\\");
  *dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = file.rfind('.');
  *stem = dot == std::string::npos ? file : file.substr(0, dot);
  *ext = dot == std::string::npos ? std::string() : file.substr(dot + 1);
}

}  // namespace

std::string batch_rtf_path(const std::string& work_file, const std::string& source_path, bool include_range,
                           bool listing, bool coverage_mode) {
  std::string dir, stem, ext;
  stem_and_extension(work_file, &dir, &stem, &ext);
  std::string base = dir + stem;
  if (include_range) {
    std::string src_dir, src_stem, src_ext;
    stem_and_extension(source_path, &src_dir, &src_stem, &src_ext);
    base = dir + src_stem + "_" + src_ext;
  }
  return base + (listing ? ".asrc.rtf" : (coverage_mode ? ".cref.rtf" : ".aref.rtf"));
}

std::string ColumnHeading(const HeadingSwitches& s) {
  if (s.listing) return std::string();
  char buf[32];
  if (!s.annotated) {
    std::snprintf(buf, sizeof buf, "%6s       Statement", "Line");
    return buf;
  }
  std::string heading;
  if (s.ref_lines) {
    std::snprintf(buf, sizeof buf, "%6s", "Ref");
    heading += buf;
  }
  if (s.src_lines) {
    std::snprintf(buf, sizeof buf, "%7s", "Src");
    heading += buf;
  }
  if (s.proc_nums) heading += " Proc";
  if (s.total_block_nums) heading += " BkCnt";
  if (s.block_nums) heading += " Block";
  if (s.exe_flag) heading += " X";
  if (s.code) heading += "       Statement";
  return heading;
}

}  // namespace sorvi
