// The encoder's progress report on any bytes, fed whole and in pieces: the
// pieces must not change what is understood.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "cli/EncoderProgress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnick;
  if (size < 1) return 0;
  // The first byte chooses the piece length.
  const std::size_t piece = data[0] % 17 + 1;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  ProgressReport whole;
  whole.Feed(text);
  ProgressReport pieces;
  for (std::size_t at = 0; at < text.size(); at += piece) pieces.Feed(text.substr(at, piece));
  FUZZ_CHECK(whole.OutTimeSeconds() == pieces.OutTimeSeconds());
  FUZZ_CHECK(whole.Ended() == pieces.Ended());
  if (auto t = whole.OutTimeSeconds()) FUZZ_CHECK(std::isfinite(*t) && *t >= 0);
  // The end is told only by its own line.
  if (whole.Ended())
    FUZZ_CHECK(text.find("progress=end\n") != std::string_view::npos ||
               text.find("progress=end\r\n") != std::string_view::npos);
  // A line that is not finished yet changes nothing.
  ProgressReport cut;
  cut.Feed(text);
  cut.Feed("out_time_us=1");
  FUZZ_CHECK(cut.OutTimeSeconds() == whole.OutTimeSeconds());

  const std::string last = LastNonEmptyLine(text);
  FUZZ_CHECK(last.find_first_of("\r\n") == std::string::npos);
  FUZZ_CHECK(last.empty() == (text.find_first_not_of(" \t\r\n") == std::string_view::npos));
  if (!last.empty()) FUZZ_CHECK(text.find(last) != std::string_view::npos);
  return 0;
}
