// tessaly-sample OUT: writes the bundled sample index.dat that `make run`
// opens, creating OUT's folder when needed.
#include <filesystem>
#include <iostream>
#include <system_error>

#include "support/index_dat_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: tessaly-sample OUT\n";
        return 2;
    }
    const std::filesystem::path out(argv[1]);
    std::error_code ec;
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ec);
    if (ec) {
        std::cerr << "Error: cannot create " << out.parent_path().string() << ": " << ec.message()
                  << "\n";
        return 1;
    }
    const auto entries = tessaly::test::GenerateIndexDatEntries(400, 20130310);
    if (!tessaly::test::WriteIndexDat(out.string(), entries, {2, 7})) {
        std::cerr << "Error: cannot write " << out.string() << "\n";
        return 1;
    }
    return 0;
}
