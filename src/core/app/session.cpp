#include "core/app/session.h"

#include <cerrno>
#include <system_error>

#include "core/extract/scanner.h"
#include "core/ui/texts.h"

namespace tessaly {

namespace {

std::string Str(std::string_view s) { return std::string(s); }

ListControls& At(Controls& c, ListKind kind) { return c.lists[static_cast<std::size_t>(kind)]; }

std::string FilesFound(std::size_t rows) {
    if (rows == 0) return Str(texts::kNoFilesFound);
    if (rows == 1) return Str(texts::kOneFileFound);
    return std::to_string(rows) + Str(texts::kFilesFound);
}

std::string EntriesFrom(std::size_t rows, const std::string& path) {
    if (rows == 1) return Str(texts::kOneEntryFrom) + path;
    return std::to_string(rows) + Str(texts::kEntriesFrom) + path;
}

}  // namespace

std::string_view TitleTagOf(ListKind list) {
    switch (list) {
        case ListKind::Files:
            return texts::kFilesTag;
        case ListKind::Contents:
            return texts::kContentsTag;
        case ListKind::Records:
            return texts::kRecordsTag;
    }
    return {};
}

std::string WalkRootReport(const std::string& root, int error) {
    std::string text = Str(texts::kTheFolder) + root;
    switch (error) {
        case ENOENT:
            text += texts::kDoesNotExist;
            break;
        case ENOTDIR:
            text += texts::kIsNotAFolder;
            break;
        default:
            text += Str(texts::kCannotBeSearched) + std::generic_category().message(error);
            break;
    }
    return text + Str(texts::kNothingSearched);
}

std::string ListFullReport(std::size_t rows) {
    return ScanError::FromNumber(ENOMEM).ReportText() + Str(texts::kListStopsAt) +
           std::to_string(rows) + Str(texts::kListStopsAtEnd);
}

Effects Session::handle(const Event& event) {
    return std::visit([this](const auto& e) { return on(e); }, event);
}

SearchAction Session::searchAction() const {
    switch (activity_) {
        case Activity::Walking:
        case Activity::Scanning:
            // A long read stops like a walk; the rows read so far stay.
            return SearchAction::Stop;
        case Activity::Idle:
            break;
    }
    return view_ == View::Contents ? SearchAction::Back : SearchAction::Search;
}

Controls Session::controls() const {
    Controls c;
    const bool idle = activity_ == Activity::Idle;
    const bool filesView = view_ == View::Files;

    // The search row and the files list take input only in the files view
    // with nothing running.
    const bool filesViewAtRest = idle && filesView;
    At(c, ListKind::Files).enabled = filesViewAtRest;
    c.searchFieldEnabled = filesViewAtRest;
    c.browseEnabled = filesViewAtRest;
    switch (searchAction()) {
        case SearchAction::Stop:
            c.searchCaption = texts::kStop;
            break;
        case SearchAction::Back:
            c.searchCaption = texts::kBack;
            break;
        case SearchAction::Search:
            c.searchCaption = texts::kSearch;
            break;
    }

    // One list shows: the one a tab put in front, else the view's. While a
    // scan runs the contents list stands over the files list, both shown.
    if (front_) {
        At(c, *front_).visible = true;
    } else if (activity_ == Activity::Scanning) {
        At(c, ListKind::Files).visible = true;
        At(c, ListKind::Contents).visible = true;
    } else {
        At(c, filesView ? ListKind::Files : ListKind::Contents).visible = true;
    }
    At(c, ListKind::Contents).headerVisible = !contentsHeaderHidden_;

    // The list in front: the tab's, the contents list over the files list
    // during a scan, else the view's.
    c.selectedTab = front_                                            ? *front_
                    : (activity_ == Activity::Scanning || !filesView) ? ListKind::Contents
                                                                      : ListKind::Files;

    if (activity_ == Activity::Walking && !walkFolder_.empty()) {
        c.status = Str(texts::kSearching) + walkFolder_;
    } else if (activity_ == Activity::Scanning) {
        c.status = Str(texts::kExtractingStatus);
    } else if (idle) {
        c.status = c.selectedTab == ListKind::Files ? filesStatus_ : contentsStatus_;
    }
    c.titleTag = titleTag_;
    return c;
}

Effects Session::on(const SearchClicked& e) {
    if (closing_ || searchAction() != SearchAction::Search) return {};
    activity_ = Activity::Walking;
    walkRoot_ = e.root;
    walkFolder_.clear();
    stopAsked_ = false;
    filesStatus_.clear();
    front_.reset();
    return {ClearList{ListKind::Files}, LogLine{"Starting scan"}, StartWalk{e.root}};
}

Effects Session::on(const StopClicked&) {
    if (activity_ == Activity::Idle) return {};
    // A stopped walk says so; a stopped scan reports the rows it kept.
    if (activity_ == Activity::Walking) stopAsked_ = true;
    return {StopWork{}};
}

Effects Session::on(const BackClicked&) {
    if (closing_ || searchAction() != SearchAction::Back) return {};
    view_ = View::Files;
    front_.reset();
    contentsStatus_.clear();
    // The title keeps the tag it has.
    return {ClearList{ListKind::Contents}, ClearList{ListKind::Records}};
}

Effects Session::on(const WalkEnteredFolder& e) {
    if (activity_ == Activity::Walking) walkFolder_ = e.folder;
    return {};
}

Effects Session::on(const WalkFinished& e) {
    if (closing_ || activity_ != Activity::Walking) return {};
    activity_ = Activity::Idle;
    walkFolder_.clear();
    front_.reset();
    Effects out;
    if (e.rootError != 0) {
        // Nothing was walked: the message says why, and no count follows.
        const std::string report = WalkRootReport(walkRoot_, e.rootError);
        filesStatus_ = Str(texts::kNoFilesFound);
        return {ShowMessage{report, MessageKind::Warning}, LogLine{report},
                LogLine{"Scan finished"}};
    }
    if (e.listFull) {
        const std::string report = ListFullReport(e.filesRows);
        out.push_back(ShowMessage{report, MessageKind::ErrorReport});
        out.push_back(LogLine{report});
    }
    // A walk the user stopped is not said to be complete.
    const bool stopped = stopAsked_ && !e.listFull;
    filesStatus_ = stopped ? Str(texts::kSearchStopped) + ": " + FilesFound(e.filesRows)
                           : FilesFound(e.filesRows);
    out.push_back(LogLine{(stopped ? Str(texts::kSearchStopped) : Str("Search Completed")) +
                          " in: " + e.seconds + "  seconds"});
    out.push_back(LogLine{"Checking items found ..."});
    if (e.filesRows == 0) {
        out.push_back(LogLine{"No items found, cannot enabled View File Contents option"});
    } else {
        out.push_back(LogLine{std::to_string(e.filesRows) +
                              " items found, enabling View File Contents option"});
    }
    out.push_back(LogLine{"Scan finished"});
    return out;
}

Effects Session::on(const ExtractRequested& e) {
    if (closing_ || activity_ != Activity::Idle) return {};
    activity_ = Activity::Scanning;
    contentsFile_ = e.path;
    contentsHeaderHidden_ = true;  // from the first extraction on
    front_.reset();
    return {LogLine{"Extracting contents from: " + e.path +
                    " .... please wait (this may take a few minutes)"},
            StartScan{e.path}};
}

Effects Session::on(const ScanFinished& e) {
    if (closing_ || activity_ != Activity::Scanning) return {};
    activity_ = Activity::Idle;
    front_.reset();
    Effects out;
    const bool ok = e.ok && !e.listFull;
    contentsStatus_ = EntriesFrom(e.contentsRows, contentsFile_);
    if (!ok) contentsStatus_ += texts::kBeforeAnError;
    if (!ok) {
        // The report, then the window ends as after a finished scan with the
        // rows found so far; nothing stays disabled.
        const std::string report = e.listFull ? ListFullReport(e.contentsRows) : e.errorReport;
        out.push_back(ShowMessage{report, MessageKind::ErrorReport});
        out.push_back(LogLine{report});
    } else {
        out.push_back(LogLine{"Contents found: " + std::to_string(e.contentsRows)});
        out.push_back(LogLine{"Scan completed in: " + e.seconds + "  seconds"});
    }
    if (e.contentsRows == 0) {
        view_ = View::Files;
        if (ok) out.push_back(ShowMessage{Str(texts::kNoContentsFound)});
    } else {
        view_ = View::Contents;
        if (ok)
            out.push_back(ShowMessage{std::to_string(e.contentsRows) + Str(texts::kItemsFound)});
    }
    return out;
}

Effects Session::on(const TabClicked& e) {
    // The files list shows even when empty (greyed in the contents view);
    // another list needs rows to show.
    if (e.list != ListKind::Files && e.rows == 0) {
        return {ShowMessage{Str(texts::kNothingToShow)}};
    }
    front_ = e.list;
    // Each tab click replaces the previous tab's tag, so tags never pile up.
    titleTag_ = TitleTagOf(e.list);
    return {};
}

Effects Session::on(const WindowClosing&) {
    closing_ = true;
    return {StopWork{.wait = true}};
}

}  // namespace tessaly
