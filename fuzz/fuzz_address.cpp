// The host and address rules over any entry, for every command: no crash,
// and the part a command appends to a fixed address is percent-encoded, so
// the shell never sees a NUL, a blank, a quote, an angle bracket or a byte
// outside ASCII there.
//
// Input: the Wendel viewer prefix as the settings give it (up to a 0xFF
// byte, cut at a NUL), then the entry.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/actions/addresses.h"
#include "core/actions/lookup_services.h"
#include "core/actions/url_rules.h"
#include "core/extract/contents_rows.h"

namespace {

using tessaly::AddressResult;
using tessaly::UrlCommand;

[[noreturn]] void Fail(UrlCommand command, const char* what) {
    std::fprintf(stderr, "fuzz_address: %s: %s\n", std::string(tessaly::CliName(command)).c_str(),
                 what);
    std::abort();
}

bool SafeInAddress(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '"' && c != '<' && c != '>';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = in.find('\xFF');
    // The viewer prefix comes from the settings file, whose reads end at a NUL.
    const std::string_view wendelPrefix = tessaly::UpToNul(in.substr(0, cut));
    const std::string_view entry =
        cut == std::string_view::npos ? in.substr(in.size()) : in.substr(cut + 1);

    for (const UrlCommand command : tessaly::AllUrlCommands()) {
        const AddressResult result = tessaly::AddressFor(command, entry, wendelPrefix);
        if (result.kind != AddressResult::Kind::Open) {
            if (!result.address.empty()) Fail(command, "an address comes with a refusal");
            if (result.kind == AddressResult::Kind::InvalidUrl && result.reason != "Invalid URL") {
                Fail(command, "Invalid URL without its reason");
            }
            continue;
        }
        const std::string& address = result.address;
        if (address.find('\0') != std::string::npos) Fail(command, "NUL in the address");
        std::string_view appended;
        if (command == UrlCommand::Launch) {
            // Launch hands over the entry itself (up to its NUL), decoded from
            // Windows-1252 (up to 3 bytes a byte) and percent-encoded where an
            // address cannot hold a byte (3 characters each).
            if (address.size() > 9 * (tessaly::UpToNul(entry).size() + 7))
                Fail(command, "address longer than the encoded entry");
            for (const char c : address) {
                const auto b = static_cast<unsigned char>(c);
                if (b <= 0x20 || b == 0x7F ||
                    std::string_view("\"<>\\^`{|}").find(c) != std::string_view::npos) {
                    Fail(command, "a byte no address can hold");
                }
            }
            continue;
        }
        if (command == UrlCommand::Wendel) {
            if (!address.starts_with(wendelPrefix)) Fail(command, "the viewer prefix is not kept");
            appended = std::string_view(address).substr(wendelPrefix.size());
        } else {
            const tessaly::ServiceAddress service = tessaly::ServiceAddressOf(command);
            if (!address.starts_with(service.prefix) || !address.ends_with(service.suffix) ||
                address.size() < service.prefix.size() + service.suffix.size()) {
                Fail(command, "the service address is not kept");
            }
            appended = std::string_view(address).substr(
                service.prefix.size(),
                address.size() - service.prefix.size() - service.suffix.size());
        }
        for (const char c : appended) {
            if (!SafeInAddress(static_cast<unsigned char>(c)))
                Fail(command, "unencoded byte appended");
        }
    }
    // A service of the user's: both placeholders filled, each encoded.
    tessaly::LookupService mine;
    mine.cliName = "mine";
    mine.addressTemplate = "https://t.example/a?h={host}&u={url}";
    const AddressResult result = tessaly::LookUpAddress(mine, entry);
    if (result.kind == AddressResult::Kind::Open) {
        constexpr std::string_view kFixed = "https://t.example/a?h=";
        if (!result.address.starts_with(kFixed)) Fail(UrlCommand::Launch, "template not kept");
        for (const char c : std::string_view(result.address).substr(kFixed.size())) {
            if (!SafeInAddress(static_cast<unsigned char>(c))) {
                Fail(UrlCommand::Launch, "unencoded byte in a template");
            }
        }
    } else if (!result.address.empty()) {
        Fail(UrlCommand::Launch, "a template's refusal comes with an address");
    }
    return 0;
}
