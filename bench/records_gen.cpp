// records_gen OUT [COUNT]: writes a valid index.dat of COUNT records (36,000 by
// default) from the sample writer for the records benchmark: cache, history
// and cookie records with their hash tables, LEAK and REDR records, an unused
// block after each record (about 15 MiB in all).
#include <cstdlib>
#include <iostream>

#include "support/index_dat_writer.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "Usage: records_gen OUT [COUNT]\n";
        return 2;
    }
    const std::size_t count = argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 36000;
    if (!tessaly::test::WriteIndexDat(argv[1],
                                      tessaly::test::GenerateIndexDatEntries(count, 20130310),
                                      {1, 20130310, false})) {
        std::cerr << "Error: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
