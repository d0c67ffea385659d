// What a log line costs beside a large settings file: writes LINES log lines
// (as a walk that finds LINES / 3 files does) once beside a settings file of
// a few keys and once beside one of 10 MB, and reports both times and their
// ratio. The log reads its path from the settings file, so a ratio near 1
// means it does not read the whole file per line.
//
//   log_lines [LINES]    (default 60,000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/settings/app_log.h"
#include "core/settings/settings_store.h"
#include "support/temp_dir.h"

namespace {

double SecondsFor(const std::string& settingsText, long lines) {
    tessaly::test::TempDir dir;
    dir.write("Tessaly.ini", settingsText);
    tessaly::SettingsStore settings(dir.path());
    tessaly::AppLog log(settings);
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < lines; ++i) {
        log.write("File found: /srv/case/" + std::to_string(i) + "/index.dat(32.00 KB)");
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 60000;
    const std::string small = "[Search]\r\nPath=/srv\r\n[Main]\r\nVer=1.0.8\r\n";
    std::string big = small;
    for (int i = 0; big.size() < 10'000'000; ++i) {
        big += "[Junk" + std::to_string(i % 97) + "]\r\nkey" + std::to_string(i) + "=" +
               std::string(60, 'v') + "\r\n";
    }
    const double normal = SecondsFor(small, lines);
    const double large = SecondsFor(big, lines);
    std::printf(
        "%ld log lines: %.3f s beside a small settings file, %.3f s beside a 10 MB one "
        "(ratio %.2f)\n",
        lines, normal, large, large / normal);
    return 0;
}
