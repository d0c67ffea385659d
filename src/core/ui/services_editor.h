#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/actions/lookup_services.h"
#include "core/settings/ini_file.h"

namespace tessaly {

// The list the "Look-up services" dialog edits, and the [Services] keys that
// give it. The defaults keep their design order at the top: one may get
// another address or be removed, but not be renamed or moved; the user's
// services follow in their own order. Keys the list ignored when it was read
// stay in the section as they were, unless a service of the list now has
// their name.
class ServicesEditor {
  public:
    struct Row {
        std::string caption;  // as shown
        // Always filled: a default that keeps its own address shows
        // DefaultTemplate.
        std::string addressTemplate;
        std::optional<UrlCommand> builtIn;
        bool operator==(const Row&) const = default;
    };

    explicit ServicesEditor(const LookupServices& current);

    const std::vector<Row>& rows() const { return rows_; }
    const std::vector<IgnoredService>& ignored() const { return ignored_; }

    // Each of these answers why the change is refused (and changes nothing),
    // or "" when it is made. Blanks around the caption and the template are
    // dropped first.
    std::string add(std::string_view caption, std::string_view addressTemplate);
    // A default's caption cannot change: `caption` must then be its own.
    std::string change(std::size_t row, std::string_view caption, std::string_view addressTemplate);

    void remove(std::size_t row);
    // Whether `row` may move `by` places (-1 up, +1 down): user services move
    // among themselves only.
    bool canMove(std::size_t row, int by) const;
    void move(std::size_t row, int by);
    bool captionEditable(std::size_t row) const { return !rows_.at(row).builtIn; }
    // The nine defaults as they are without a [Services] section; the user's
    // services and the ignored keys go.
    void restoreDefaults();

    // The keys of [Services], in order: the defaults removed (an empty value)
    // or given another address, then the user's services, then the ignored
    // keys that keep their place.
    std::vector<ini::KeyValue> sectionKeys() const;

  private:
    std::string captionProblem(std::string_view caption, std::optional<std::size_t> self) const;

    std::vector<Row> rows_;
    std::vector<IgnoredService> ignored_;
};

}  // namespace tessaly
