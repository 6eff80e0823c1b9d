// A stand-in for ffmpeg. It takes the three command lines of the program,
// appends its argument list to a log, writes the output file or a JPEG of the
// asked size, and misbehaves when the environment asks it to:
//   FAKE_FFMPEG_LOG=path          append one record per run
//   FAKE_FFMPEG_NO_LIBFAAC=1      leave libfaac out of -encoders
//   FAKE_FFMPEG_FAIL=1            conversion exits 1 without output
//   FAKE_FFMPEG_FAIL=text         ... only when the output's name holds text
//   FAKE_FFMPEG_FAIL_NAME=name    ... only for an input whose path ends with name
//   FAKE_FFMPEG_HANG=1            conversion writes a little, then waits to be ended
//   FAKE_FFMPEG_IGNORE_TERM=1     ... and ignores SIGTERM
//   FAKE_FFMPEG_CLOSE_STDERR=1    ... after closing its standard error
//   FAKE_FFMPEG_CRASH=1           conversion writes a little, then dies of SIGSEGV
//   FAKE_FFMPEG_NO_OUTPUT=1       conversion exits 0 without output
//   FAKE_FFMPEG_WRITE_MS=n        conversion output grows over n milliseconds
//   FAKE_FFMPEG_BYTES=n           size of the conversion output (default 4096)
//   FAKE_FFMPEG_SOURCE_SECONDS=n  thumbnails past this second are not written
//   FAKE_FFMPEG_THUMB_DELAY_MS=n  thumbnails are written only after this wait
//   FAKE_FFMPEG_NO_MOOV=1         conversion output ends without its index
//                                 (what a full disk leaves), exit 0
//   FAKE_FFMPEG_STDERR=text       conversion writes this line to its standard
//                                 error and still exits 0
//   FAKE_FFMPEG_DURATION=n        the length it tells of its input (default 10 s);
//                                 like ffmpeg it says it on standard error, and
//                                 follows "-progress FILE" with key=value blocks
// The conversion output is laid out as MP4 boxes (ftyp, mdat, moov last).
//   FAKE_FFMPEG_GATE=prefix       conversion writes half its output, waits for the
//                                 file prefix<output name>.1, writes the rest,
//                                 waits for prefix<output name>.2, then ends
//                                 (so a test sees each size, whatever the speed)
//   FAKE_FFMPEG_STDERR_MB=n       conversion writes n MB of messages to its
//                                 standard error, then converts as usual
// Started under the name ffprobe (the link in fake-probe/), it stands in for
// the duration probe instead, logging its run the same way:
//   FAKE_FFPROBE_HANG=1           waits to be ended
//   FAKE_FFPROBE_SECONDS=n        prints n as the duration; else exits 1

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

long EnvNumber(const char* name, long fallback) {
  std::string v = Env(name);
  return v.empty() ? fallback : std::strtol(v.c_str(), nullptr, 10);
}

// One record per run, written with a single append so that runs going on at
// once do not mix their lines.
void LogArguments(const std::vector<std::string>& args) {
  std::string path = Env("FAKE_FFMPEG_LOG");
  if (path.empty()) return;
  std::string record = "RUN " + std::to_string(getpid()) + "\n";
  char cwd[4096];
  record += std::string("CWD ") + (getcwd(cwd, sizeof cwd) ? cwd : "?") + "\n";
  struct stat st {};
  bool stdinNull = fstat(0, &st) == 0 && S_ISCHR(st.st_mode);
  record += std::string("STDIN ") + (stdinNull ? "null" : "other") + "\n";
  for (const auto& a : args) record += "ARG " + a + "\n";
  record += "END\n";
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return;
  ssize_t ignored = write(fd, record.data(), record.size());
  (void)ignored;
  close(fd);
}

std::string ValueOf(const std::vector<std::string>& args, const std::string& option) {
  for (std::size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == option) return args[i + 1];
  return "";
}

bool Has(const std::vector<std::string>& args, const std::string& option) {
  for (const auto& a : args)
    if (a == option) return true;
  return false;
}

bool WriteJpeg(const std::string& path, int width, int height) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (int x = 0; x < width; ++x) {
      row[x * 3 + 0] = static_cast<JSAMPLE>(x * 255 / (width > 1 ? width - 1 : 1));
      row[x * 3 + 1] =
          static_cast<JSAMPLE>(cinfo.next_scanline * 255 / (height > 1 ? height - 1 : 1));
      row[x * 3 + 2] = 128;
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
  return true;
}

void SleepMs(long ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Waits up to two minutes, so a test that never opens the gate fails
// rather than hangs.
bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 12000; ++i) {
    if (access(path.c_str(), F_OK) == 0) return true;
    SleepMs(10);
  }
  return false;
}

int ListEncoders() {
  std::printf("Encoders:\n V..... = Video\n A..... = Audio\n ------\n");
  std::printf(
      " V....D libx264              libx264 H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10 (codec "
      "h264)\n");
  std::printf(" V.S... mpeg4                MPEG-4 part 2\n");
  std::printf(" V..... libxvid              libxvidcore MPEG-4 part 2 (codec mpeg4)\n");
  std::printf(" A..... aac                  AAC (Advanced Audio Coding)\n");
  if (Env("FAKE_FFMPEG_NO_LIBFAAC") != "1")
    std::printf(" A..... libfaac              libfaac AAC (Advanced Audio Coding) (codec aac)\n");
  return 0;
}

// The old prompt for an output that exists and was not allowed by -y.
bool MayOverwrite(const std::vector<std::string>& args, const std::string& out) {
  if (Has(args, "-y") || access(out.c_str(), F_OK) != 0) return true;
  std::fprintf(stderr, "File '%s' already exists. Overwrite? [y/N] ", out.c_str());
  int c = std::getchar();
  return c == 'y' || c == 'Y';
}

int Thumbnail(const std::vector<std::string>& args, const std::string& out) {
  long ss = std::strtol(ValueOf(args, "-ss").c_str(), nullptr, 10);
  if (ss >= EnvNumber("FAKE_FFMPEG_SOURCE_SECONDS", 3600)) return 1;
  int w = 0, h = 0;
  if (std::sscanf(ValueOf(args, "-s").c_str(), "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) return 1;
  if (!MayOverwrite(args, out)) return 1;
  SleepMs(EnvNumber("FAKE_FFMPEG_THUMB_DELAY_MS", 0));
  return WriteJpeg(out, w, h) ? 0 : 1;
}

// Many short lines, as a chatty encoder would write them.
void FloodStandardError(long megabytes) {
  std::string block;
  while (block.size() < (1 << 16))
    block += "frame= 1 fps=0.0 q=0.0 size= 0kB time=00:00:00.00 bitrate=N/A\n";
  for (long left = megabytes << 20; left > 0; left -= static_cast<long>(block.size()))
    if (write(2, block.data(), block.size()) < 0) return;
}

// One block of the report of "-progress FILE", appended.
void Progress(const std::string& path, double seconds, bool end) {
  if (path.empty()) return;
  FILE* f = std::fopen(path.c_str(), "a");
  if (!f) return;
  std::fprintf(f, "fps=25.00\nout_time_us=%lld\nprogress=%s\n",
               static_cast<long long>(seconds * 1e6), end ? "end" : "continue");
  std::fclose(f);
}

int Conversion(const std::vector<std::string>& args, const std::string& out) {
  const long duration = EnvNumber("FAKE_FFMPEG_DURATION", 10);
  std::fprintf(stderr,
               "Input #0, avi, from '%s':\n  Duration: %02ld:%02ld:%02ld.00, start: 0.000000\n",
               args[1].c_str(), duration / 3600, duration / 60 % 60, duration % 60);
  std::fprintf(stderr, "fake encoder: converting to %s\n", out.c_str());
  FloodStandardError(EnvNumber("FAKE_FFMPEG_STDERR_MB", 0));
  const std::string progress = ValueOf(args, "-progress");
  const std::string failName = Env("FAKE_FFMPEG_FAIL_NAME");
  const std::string fail = Env("FAKE_FFMPEG_FAIL");
  if (fail == "1" || (!fail.empty() && out.find(fail) != std::string::npos) ||
      (!failName.empty() && args[1].size() >= failName.size() &&
       args[1].compare(args[1].size() - failName.size(), failName.size(), failName) == 0)) {
    std::fprintf(stderr, "fake encoder: failing as asked\n");
    return 1;
  }
  if (!MayOverwrite(args, out)) return 1;

  std::string pass = ValueOf(args, "-pass");
  if (!pass.empty()) {
    std::string logName = ValueOf(args, "-passlogfile");
    if (logName.empty()) logName = "ffmpeg2pass";
    logName += "-0.log";
    if (pass == "1") {
      FILE* f = std::fopen(logName.c_str(), "w");
      if (!f) return 1;
      std::fputs("pass 1 statistics\n", f);
      std::fclose(f);
    } else if (access(logName.c_str(), R_OK) != 0) {
      std::fprintf(stderr, "fake encoder: no pass log %s\n", logName.c_str());
      return 1;
    }
  }
  if (Env("FAKE_FFMPEG_NO_OUTPUT") == "1") return 0;

  int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "%s: %s\n", out.c_str(), std::strerror(errno));
    return 1;
  }
  // What ffmpeg says when the disk fills up.
  auto failedWrite = [&out] {
    std::fprintf(stderr, "Error writing trailer of %s: %s\n", out.c_str(), std::strerror(errno));
    return 1;
  };
  if (Env("FAKE_FFMPEG_CRASH") == "1") {
    ssize_t ignored = write(fd, "partial", 7);
    (void)ignored;
    signal(SIGSEGV, SIG_DFL);
    raise(SIGSEGV);
  }
  if (Env("FAKE_FFMPEG_HANG") == "1") {
    if (Env("FAKE_FFMPEG_IGNORE_TERM") == "1") signal(SIGTERM, SIG_IGN);
    if (Env("FAKE_FFMPEG_CLOSE_STDERR") == "1") close(2);
    ssize_t ignored = write(fd, "partial", 7);
    (void)ignored;
    for (;;) pause();
  }
  const long total = EnvNumber("FAKE_FFMPEG_BYTES", 4096);
  // ftyp (24 bytes), the mdat header (8), the data, moov (16) at the end.
  const bool boxes = total >= 48;
  const bool noMoov = Env("FAKE_FFMPEG_NO_MOOV") == "1";
  const long bytes = boxes ? total - 48 : total;
  if (boxes) {
    std::string head(
        "\0\0\0\x18"
        "ftypisom\0\0\x02\0isommp41",
        24);
    const unsigned long mdat = static_cast<unsigned long>(bytes + 8);
    head += std::string{static_cast<char>(mdat >> 24), static_cast<char>(mdat >> 16),
                        static_cast<char>(mdat >> 8), static_cast<char>(mdat)};
    head += "mdat";
    if (write(fd, head.data(), head.size()) != static_cast<ssize_t>(head.size()))
      return failedWrite();
  }
  const long ms = EnvNumber("FAKE_FFMPEG_WRITE_MS", 0);
  const std::string gate = Env("FAKE_FFMPEG_GATE");
  const std::string base = out.substr(out.find_last_of('/') + 1);
  const long steps = !gate.empty() ? 2 : ms > 0 ? std::max(1L, ms / 50) : 1;
  // The last step also takes the remainder, so it writes in chunk-sized
  // pieces rather than reading past the chunk.
  std::string chunk(static_cast<std::size_t>(bytes / steps + 1), 'x');
  long written = 0;
  for (long i = 0; i < steps; ++i) {
    long n = i + 1 == steps ? bytes - written : bytes / steps;
    while (n > 0) {
      const long piece = std::min(n, static_cast<long>(chunk.size()));
      if (write(fd, chunk.data(), static_cast<std::size_t>(piece)) != piece) return failedWrite();
      n -= piece;
      written += piece;
    }
    if (!gate.empty() && !WaitForFile(gate + base + "." + std::to_string(i + 1)))
      return 1;
    else if (ms > 0)
      SleepMs(ms / steps);
    Progress(
        progress,
        static_cast<double>(duration) * static_cast<double>(i + 1) / static_cast<double>(steps),
        false);
  }
  if (boxes) {
    // Without its index the file keeps the size it would have had.
    std::string moov(
        "\0\0\0\x10"
        "moov"
        "\0\0\0\0\0\0\0\0",
        16);
    if (noMoov) moov = std::string(16, '\0');
    if (write(fd, moov.data(), moov.size()) != static_cast<ssize_t>(moov.size()))
      return failedWrite();
  }
  close(fd);
  Progress(progress, static_cast<double>(duration), true);
  if (std::string line = Env("FAKE_FFMPEG_STDERR"); !line.empty())
    std::fprintf(stderr, "%s\n", line.c_str());
  return 0;
}

int Probe() {
  if (Env("FAKE_FFPROBE_HANG") == "1")
    for (;;) pause();
  const std::string seconds = Env("FAKE_FFPROBE_SECONDS");
  if (seconds.empty()) return 1;
  std::printf("%s\n", seconds.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  LogArguments(args);
  const std::string self = argv[0];
  if (self.substr(self.find_last_of('/') + 1) == "ffprobe") return Probe();
  if (Has(args, "-encoders")) return ListEncoders();
  if (args.size() < 3 || args[0] != "-i" || access(args[1].c_str(), R_OK) != 0) {
    std::fprintf(stderr, "fake encoder: no readable input\n");
    return 1;
  }
  const std::string& out = args.back();
  if (ValueOf(args, "-f") == "image2") return Thumbnail(args, out);
  return Conversion(args, out);
}
