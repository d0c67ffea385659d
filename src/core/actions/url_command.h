#pragma once

namespace tessaly {

// The context-menu commands that hand an address to the shell: the nine
// site-check services in submenu order, the Wendel viewer and Launch.
enum class UrlCommand {
    BrowserDefender,
    Blackthorn,
    MalwareDomainList,
    SafeWeb,
    SiteAdvisor,
    TrustedSource,
    WebOfTrust,
    WebSniffer,
    LinkScanner,
    Wendel,
    Launch,
};

}  // namespace tessaly
