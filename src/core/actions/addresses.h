#pragma once

#include <string>
#include <string_view>

#include "core/actions/url_command.h"

namespace tessaly {

// Every web address the program hands to the shell is built here, from one
// table of hosts.

// The maker's pages (About box, help menu).
std::string KnowledgeBaseAddress();
std::string ProductPageAddress();
std::string HomePageAddress();
// The Wendel viewer prefix used while the settings hold none; it ends in
// "/?mode=Wendel&url=".
std::string DefaultWendelPrefix();
// The maker's name, for the About box.
std::string_view CompanyName();

// What the menu and the command line call a command.
struct CommandNames {
    std::string_view cliName;  // e.g. "browser-defender"
    std::string_view caption;  // e.g. "Browser Defender", "&Blackthorn Online"
};
const CommandNames& NamesOf(UrlCommand command);

// The address a site-check service is opened at, up to the appended value
// (scheme, host, fixed path and query key), and what follows the value.
// Empty for Wendel and Launch, which have no fixed service address.
struct ServiceAddress {
    std::string prefix;
    std::string_view suffix;
};
ServiceAddress ServiceAddressOf(UrlCommand command);

}  // namespace tessaly
