#include "core/actions/lookup_services.h"

#include <algorithm>
#include <array>
#include <set>

#include "core/actions/addresses.h"
#include "core/app/ascii_case.h"
#include "core/extract/contents_rows.h"
#include "core/settings/settings_store.h"
#include "core/ui/texts.h"

namespace tessaly {

namespace {

constexpr std::array kDefaultServices{
    UrlCommand::BrowserDefender, UrlCommand::Blackthorn,  UrlCommand::MalwareDomainList,
    UrlCommand::SafeWeb,         UrlCommand::SiteAdvisor, UrlCommand::TrustedSource,
    UrlCommand::WebOfTrust,      UrlCommand::WebSniffer,  UrlCommand::LinkScanner,
};

constexpr std::string_view kHostPlaceholder = "{host}";
constexpr std::string_view kUrlPlaceholder = "{url}";

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualNoCase(s.substr(0, prefix.size()), prefix);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

std::string DoubledAmpersands(std::string_view caption) {
    std::string out;
    for (const char c : caption) {
        if (c == '&') out += '&';
        out += c;
    }
    return out;
}

LookupService DefaultService(UrlCommand command) {
    const std::string_view caption = Caption(command);
    return {
        CaptionAsShown(caption), std::string(caption), std::string(CliName(command)), command, {}};
}

// The placeholder that starts at `at` in `text`, if any.
std::string_view PlaceholderAt(std::string_view text, std::size_t at) {
    for (const std::string_view p : {kHostPlaceholder, kUrlPlaceholder}) {
        if (StartsWithNoCase(text.substr(at), p)) return p;
    }
    return {};
}

bool HoldsPlaceholder(std::string_view text, std::string_view placeholder) {
    for (std::size_t at = text.find('{'); at != std::string_view::npos;
         at = text.find('{', at + 1)) {
        if (PlaceholderAt(text, at) == placeholder) return true;
    }
    return false;
}

// The command-line names of user services, each unique among all commands.
void NameUserServices(std::vector<LookupService>& services) {
    std::set<std::string> taken;
    for (const UrlCommand command : AllUrlCommands()) taken.emplace(CliName(command));
    for (LookupService& service : services) {
        if (service.builtIn) continue;
        std::string base = Lower(service.caption);
        std::replace(base.begin(), base.end(), ' ', '-');
        std::replace(base.begin(), base.end(), '\t', '-');
        std::string name = base;
        for (int n = 2; !taken.insert(name).second; ++n) name = base + "-" + std::to_string(n);
        service.cliName = std::move(name);
    }
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

AddressResult InvalidUrl() {
    return {AddressResult::Kind::InvalidUrl, {}, std::string(texts::kInvalidUrl)};
}

AddressResult TemplateAddress(std::string_view addressTemplate, std::string_view entry) {
    std::optional<LookUpValue> host;
    std::optional<LookUpValue> url;
    if (HoldsPlaceholder(addressTemplate, kHostPlaceholder)) {
        host = LookUpValueOf(LookUpPart::Host, entry);
        if (!host->refusal.empty() || host->value.empty()) return InvalidUrl();
    }
    if (HoldsPlaceholder(addressTemplate, kUrlPlaceholder)) {
        url = LookUpValueOf(LookUpPart::Address, entry);
        if (!url->refusal.empty()) return InvalidUrl();
    }
    std::string address;
    for (std::size_t i = 0; i < addressTemplate.size();) {
        const std::string_view placeholder =
            addressTemplate[i] == '{' ? PlaceholderAt(addressTemplate, i) : std::string_view();
        if (placeholder.empty()) {
            address += addressTemplate[i++];
            continue;
        }
        address += PercentEncode(placeholder == kHostPlaceholder ? host->value : url->value);
        i += placeholder.size();
    }
    return {AddressResult::Kind::Open, std::move(address), {}};
}

}  // namespace

std::string CaptionAsShown(std::string_view caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && ++i == caption.size()) break;
        out += caption[i];
    }
    return out;
}

LookupServices DefaultLookupServices() {
    LookupServices list;
    for (const UrlCommand command : kDefaultServices) {
        list.services.push_back(DefaultService(command));
    }
    return list;
}

std::optional<UrlCommand> DefaultServiceNamed(std::string_view caption) {
    for (const UrlCommand command : kDefaultServices) {
        const std::string shown = CaptionAsShown(Caption(command));
        if (EqualNoCase(caption, shown) || EqualNoCase(CaptionAsShown(caption), shown)) {
            return command;
        }
    }
    return std::nullopt;
}

std::string DefaultTemplate(UrlCommand service) {
    const ServiceAddress address = ServiceAddressOf(service);
    return address.prefix +
           std::string(service == UrlCommand::WebSniffer ? kUrlPlaceholder : kHostPlaceholder) +
           std::string(address.suffix);
}

std::string TemplateProblem(std::string_view t) {
    if (t.empty()) return "no address is given";
    const bool https = StartsWithNoCase(t, "https://");
    if (!https && !StartsWithNoCase(t, "http://")) {
        return "the address must begin with http:// or https://";
    }
    const std::size_t hostBegin = https ? 8 : 7;
    const std::size_t hostEnd = std::min(t.find_first_of("/?#", hostBegin), t.size());
    const std::string_view host = t.substr(hostBegin, hostEnd - hostBegin);
    if (host.empty()) return "the address names no host";
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F) return "the address holds a blank or a control character";
        // What the browser would refuse or guess at: the address must stand
        // as it will be opened.
        const bool bracketOutsideHost = (c == '[' || c == ']') && (i < hostBegin || i >= hostEnd);
        const bool strayPercent =
            c == '%' && (i + 2 >= t.size() || !IsHexDigit(t[i + 1]) || !IsHexDigit(t[i + 2]));
        if (b >= 0x80 || bracketOutsideHost || strayPercent ||
            std::string_view("\"<>\\^`|").find(c) != std::string_view::npos) {
            return "the address holds a character that must be written percent-encoded (%XX)";
        }
        if (c == '}' || (c == '{' && PlaceholderAt(t, i).empty())) {
            return "only {host} and {url} may stand in braces";
        }
        if (c == '{') {
            if (i < hostEnd) {
                return "the service's host must be written out, not taken from the entry";
            }
            i += PlaceholderAt(t, i).size() - 1;
        }
    }
    if (std::count(t.begin(), t.end(), '#') > 1) {
        return "the address holds a character that must be written percent-encoded (%XX)";
    }
    return {};
}

LookupServices LookupServicesFrom(std::span<const ini::KeyValue> keys) {
    struct Default {
        UrlCommand command;
        bool named = false;  // a key has named it
        bool hidden = false;
        std::string addressTemplate;
    };
    std::vector<Default> defaults;
    for (const UrlCommand command : kDefaultServices)
        defaults.push_back({command, false, false, {}});

    LookupServices list;
    std::vector<LookupService> added;
    const auto ignore = [&](const ini::KeyValue& key, std::string reason) {
        list.ignored.push_back({key, std::move(reason)});
    };
    for (const ini::KeyValue& key : keys) {
        if (const auto command = DefaultServiceNamed(key.key)) {
            Default& d = *std::find_if(defaults.begin(), defaults.end(),
                                       [&](const Default& x) { return x.command == *command; });
            if (d.named) {
                ignore(key, "an earlier key already names this default service");
                continue;
            }
            d.named = true;
            if (key.value.empty()) {
                d.hidden = true;
            } else if (std::string problem = TemplateProblem(key.value); !problem.empty()) {
                ignore(key, std::move(problem) + "; the default address stays");
            } else if (key.value != DefaultTemplate(*command)) {
                d.addressTemplate = key.value;
            }
            continue;
        }
        if (key.value.empty()) {
            ignore(key, "no address is given, and no default service has this name to hide");
        } else if (std::string problem = TemplateProblem(key.value); !problem.empty()) {
            ignore(key, std::move(problem));
        } else {
            added.push_back({key.key, DoubledAmpersands(key.key), {}, std::nullopt, key.value});
        }
    }
    for (const Default& d : defaults) {
        if (d.hidden) continue;
        LookupService service = DefaultService(d.command);
        service.addressTemplate = d.addressTemplate;
        list.services.push_back(std::move(service));
    }
    list.services.insert(list.services.end(), added.begin(), added.end());
    NameUserServices(list.services);
    return list;
}

LookupServices ReadLookupServices(const SettingsStore& settings) {
    const std::vector<ini::KeyValue> keys = settings.readSection(kServicesSection);
    return LookupServicesFrom(keys);
}

std::string IgnoredServiceLine(const IgnoredService& ignored) {
    return "Look-up service \"" + ignored.entry.key + "\" in [" + std::string(kServicesSection) +
           "] ignored: " + ignored.reason;
}

AddressResult LookUpAddress(const LookupService& service, std::string_view entry) {
    if (service.addressTemplate.empty() && service.builtIn) {
        return AddressFor(*service.builtIn, entry, {});
    }
    return TemplateAddress(service.addressTemplate, UpToNul(entry));
}

bool SwitchIsOn(std::string_view value) {
    for (const std::string_view off : {"", "0", "no", "false", "off"}) {
        if (EqualNoCase(value, off)) return false;
    }
    return true;
}

LookupSwitches ReadLookupSwitches(const SettingsStore& settings) {
    return {SwitchIsOn(settings.read(kLookupsSection, kOfflineKey, "0")),
            SwitchIsOn(settings.read(kLookupsSection, kConfirmKey, "0"))};
}

AddressResult SwitchedOff() {
    return {AddressResult::Kind::NotAnAddress, {}, std::string(texts::kLookupsOff)};
}

std::string LookUpQuestion(std::string_view address) {
    return std::string(texts::kLookUpQuestion) + "\r\n" + std::string(address);
}

}  // namespace tessaly
