// scan_gen OUT [MIB]: writes an index.dat-like file of about MIB mebibytes
// (256 by default) for the contents-scan benchmark: cache, history and
// cookie records between unused and stale binary blocks, as a long-used
// index file holds them.
#include <cstdlib>
#include <iostream>
#include <string>

#include "support/index_dat_writer.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "Usage: scan_gen OUT [MIB]\n";
        return 2;
    }
    const std::size_t mib = argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 256;
    const std::size_t target = mib << 20;
    const tessaly::test::IndexDatFiller filler{4, 0x5CA1AB1E};
    // Measure the bytes a record takes with its filler, then write as many as fit.
    constexpr std::size_t kProbe = 2000;
    const std::size_t probe =
        tessaly::test::BuildIndexDat(tessaly::test::GenerateIndexDatEntries(kProbe, 7), filler)
            .size();
    const std::size_t count = target / (probe / kProbe);
    if (!tessaly::test::WriteIndexDat(argv[1], tessaly::test::GenerateIndexDatEntries(count, 7),
                                      filler)) {
        std::cerr << "Error: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
