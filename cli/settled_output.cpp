#include "cli/settled_output.h"

#include "core/text.h"

namespace korvane::cli::book {
namespace {

constexpr std::size_t kNone = std::string::npos;
// The most the settled book or the reports hold while the encoding is open.
constexpr std::size_t kHeldMax = kMaxRecord;

}  // namespace

SettledOutput::SettledOutput(std::ostream& out, std::ostream& diagnostics,
                             std::optional<Encoding> asked, Gb18030& gb)
    : out_(out),
      diagnostics_(diagnostics),
      asked_(asked),
      gb_(gb),
      output_(asked.value_or(Encoding::Utf8)) {
  if (is_utf16(output_)) wide_.emplace(output_ == Encoding::Utf16Be);
}

void SettledOutput::not_ascii_from(std::size_t from) {
  if (open_ && !asked_ && held_from_ == kNone) held_from_ = from;
}

bool SettledOutput::must_decide() const {
  return held_from_ != kNone && buf_.size() - held_from_ >= kHeldMax;
}

void SettledOutput::decide(Encoding book, std::string_view note) {
  open_ = false;
  if (!asked_) {
    output_ = book;
    if (is_utf16(output_)) wide_.emplace(output_ == Encoding::Utf16Be);
    if (held_from_ != kNone && output_ == Encoding::Gb18030) {
      const std::u16string held = to_utf16(std::string_view(buf_).substr(held_from_));
      buf_.resize(held_from_);
      gb_.encode(held, buf_);
    }
  }
  held_from_ = kNone;
  diagnostics_ << note;
  release_reports();
}

void SettledOutput::stop() {
  open_ = false;
  stopped_ = true;
}

void SettledOutput::write() {
  if (stopped_) return;
  const std::size_t n = held_from_ == kNone ? buf_.size() : held_from_;
  if (n == 0) return;
  emit(std::string_view(buf_).substr(0, n));
  buf_.erase(0, n);
  if (held_from_ != kNone) held_from_ = 0;
}

void SettledOutput::bound_reports() {
  if (open_ && held_reports_.tellp() >= static_cast<std::streamoff>(kHeldMax)) release_reports();
}

void SettledOutput::write_ready() {
  write();
  if (!unflushed_) return;
  unflushed_ = false;
  out_.flush();
  if (!open_) diagnostics_.flush();
}

void SettledOutput::finish() {
  if (!wide_ || stopped_) return;
  wide_buf_.clear();
  wide_->finish(wide_buf_);
  out_.write(wide_buf_.data(), static_cast<std::streamsize>(wide_buf_.size()));
}

void SettledOutput::emit(std::string_view bytes) {
  if (bytes.empty()) return;
  unflushed_ = true;
  if (!wide_) {
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return;
  }
  wide_buf_.clear();
  if (!wide_started_ && !bytes.starts_with(kUtf8Bom))
    wide_buf_.append(output_ == Encoding::Utf16Be ? kUtf16BeBom : kUtf16LeBom);
  wide_started_ = true;
  wide_->feed(bytes, wide_buf_);
  out_.write(wide_buf_.data(), static_cast<std::streamsize>(wide_buf_.size()));
}

void SettledOutput::release_reports() {
  if (stopped_) return;
  diagnostics_ << held_reports_.str();
  held_reports_.str({});
}

}  // namespace korvane::cli::book
