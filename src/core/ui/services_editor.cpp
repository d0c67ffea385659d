#include "core/ui/services_editor.h"

#include <algorithm>

#include "core/app/ascii_case.h"

namespace tessaly {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool HoldsControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F;
    });
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(1, '"').append(text).append(1, '"');
    return quoted;
}

std::string TemplateRefusal(std::string_view addressTemplate) {
    const std::string problem = TemplateProblem(addressTemplate);
    return problem.empty() ? std::string() : "The address cannot be used: " + problem + ".";
}

ServicesEditor::Row RowOf(const LookupService& service) {
    return {service.caption,
            service.addressTemplate.empty() && service.builtIn ? DefaultTemplate(*service.builtIn)
                                                               : service.addressTemplate,
            service.builtIn};
}

}  // namespace

ServicesEditor::ServicesEditor(const LookupServices& current) : ignored_(current.ignored) {
    for (const LookupService& service : current.services) rows_.push_back(RowOf(service));
}

std::string ServicesEditor::captionProblem(std::string_view caption,
                                           std::optional<std::size_t> self) const {
    if (caption.empty()) return "Give the service a name.";
    if (HoldsControl(caption) || caption.find('=') != std::string_view::npos ||
        caption.front() == ';' || caption.front() == '[') {
        return "A name cannot hold '=' or a control character, nor begin with ';' or '['.";
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (i != self && EqualNoCase(rows_[i].caption, caption)) {
            return "There is already a service named " + Quoted(rows_[i].caption) + ".";
        }
    }
    if (DefaultServiceNamed(caption)) {
        return Quoted(caption) +
               " is the name of a default service: Restore defaults brings it back.";
    }
    return {};
}

std::string ServicesEditor::add(std::string_view caption, std::string_view addressTemplate) {
    caption = TrimBlanks(caption);
    addressTemplate = TrimBlanks(addressTemplate);
    if (std::string problem = captionProblem(caption, std::nullopt); !problem.empty()) {
        return problem;
    }
    if (std::string problem = TemplateRefusal(addressTemplate); !problem.empty()) return problem;
    rows_.push_back({std::string(caption), std::string(addressTemplate), std::nullopt});
    return {};
}

std::string ServicesEditor::change(std::size_t row, std::string_view caption,
                                   std::string_view addressTemplate) {
    Row& r = rows_.at(row);
    caption = TrimBlanks(caption);
    addressTemplate = TrimBlanks(addressTemplate);
    if (r.builtIn) {
        if (caption != r.caption) return "A default service keeps its name.";
    } else if (std::string problem = captionProblem(caption, row); !problem.empty()) {
        return problem;
    }
    if (std::string problem = TemplateRefusal(addressTemplate); !problem.empty()) return problem;
    r.caption = caption;
    r.addressTemplate = addressTemplate;
    return {};
}

void ServicesEditor::remove(std::size_t row) {
    if (row < rows_.size()) rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
}

bool ServicesEditor::canMove(std::size_t row, int by) const {
    if (row >= rows_.size() || rows_[row].builtIn) return false;
    const auto to = static_cast<std::ptrdiff_t>(row) + by;
    return to >= 0 && static_cast<std::size_t>(to) < rows_.size() &&
           !rows_[static_cast<std::size_t>(to)].builtIn;
}

void ServicesEditor::move(std::size_t row, int by) {
    if (!canMove(row, by)) return;
    std::swap(rows_[row], rows_[static_cast<std::size_t>(static_cast<std::ptrdiff_t>(row) + by)]);
}

void ServicesEditor::restoreDefaults() {
    rows_.clear();
    ignored_.clear();
    for (const LookupService& service : DefaultLookupServices().services) {
        rows_.push_back(RowOf(service));
    }
}

std::vector<ini::KeyValue> ServicesEditor::sectionKeys() const {
    std::vector<ini::KeyValue> keys;
    for (const LookupService& d : DefaultLookupServices().services) {
        const auto row = std::find_if(rows_.begin(), rows_.end(),
                                      [&](const Row& r) { return r.builtIn == d.builtIn; });
        if (row == rows_.end()) {
            keys.push_back({d.caption, ""});
        } else if (row->addressTemplate != DefaultTemplate(*d.builtIn)) {
            keys.push_back({d.caption, row->addressTemplate});
        }
    }
    for (const Row& r : rows_) {
        if (!r.builtIn) keys.push_back({r.caption, r.addressTemplate});
    }
    for (const IgnoredService& ignored : ignored_) {
        const bool named = std::any_of(keys.begin(), keys.end(), [&](const ini::KeyValue& k) {
            return EqualNoCase(k.key, ignored.entry.key);
        });
        if (!named) keys.push_back(ignored.entry);
    }
    return keys;
}

}  // namespace tessaly
