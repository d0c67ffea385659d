#include <ostream>

#include "cli/commands.h"

namespace tessaly::cli {

int RunFind(std::span<const std::string_view> /*args*/, std::ostream& /*out*/, std::ostream& err) {
    err << "Error: not built yet\n";
    return 1;
}

}  // namespace tessaly::cli
