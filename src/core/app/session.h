#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/ui/list_kind.h"

// The main window's state, kept apart from any widget: which list the
// commands act on, what is running, and from those one value with every
// control's flags and texts. The window hands each user action and each end
// of a job in as an event, carries out the effects that come back, and then
// shows `controls()`; nothing is read back from a widget.
namespace tessaly {

// Which list the commands (save, copy, launch, properties) act on. The
// numbers are the ones the window has always reported.
enum class View { Files = 1, Contents = 2 };

// The long job running on the worker, if any. One runs at a time.
enum class Activity { Idle, Walking, Scanning };

// Where an extraction was asked for (the log and the callers tell them
// apart; the controls are the same: the Search button stops the read).
enum class ExtractFrom { StartUp, FilesList };

// What a click on the Search button does now.
enum class SearchAction { Search, Stop, Back };

struct ListControls {
    bool visible = false;
    bool enabled = true;
    bool headerVisible = true;
    bool operator==(const ListControls&) const = default;
};

// Every control's state that is not a list's rows.
struct Controls {
    std::array<ListControls, kListKinds> lists{};
    bool searchFieldEnabled = true;
    bool browseEnabled = true;
    bool searchEnabled = true;
    std::string_view searchCaption;
    // The status line; it may name a walked folder, so it is native bytes.
    // At rest it tells how the last job of the list shown ended.
    std::string status;
    // The tab drawn as selected: that of the list in front.
    ListKind selectedTab = ListKind::Files;
    // Follows the program's title: the tag of the tab clicked last, if any.
    std::string_view titleTag;

    const ListControls& list(ListKind kind) const { return lists[static_cast<std::size_t>(kind)]; }
    bool operator==(const Controls&) const = default;
};

// ------------------------------------------------------------------ events

// The Search button while it reads "Search"; `root` is the folder to walk.
struct SearchClicked {
    std::string root;
};
// The Search button while it reads "Stop".
struct StopClicked {};
// The Search button while it reads "<< Back".
struct BackClicked {};
// A running walk has entered a folder (its base, with the separator).
struct WalkEnteredFolder {
    std::string folder;
};
struct WalkFinished {
    std::size_t filesRows = 0;  // rows in the files list now
    std::string seconds;        // elapsed time, as the log shows it
    // The list took no more rows (its budget, or memory ran short): the walk
    // stopped there, and its end says so.
    bool listFull = false;
    // The system's error number when the root could not be opened as a
    // folder (missing, a file, unreadable); 0 when the walk ran.
    int rootError = 0;
};
// "View file contents" confirmed on a files-list row, or a path at start-up.
struct ExtractRequested {
    std::string path;
    ExtractFrom from = ExtractFrom::StartUp;
};
struct ScanFinished {
    std::size_t contentsRows = 0;  // rows in the contents list now
    bool ok = true;
    std::string errorReport;  // the report shown and logged when !ok
    std::string seconds;
    // As WalkFinished::listFull; the scan then ends as a failed one, with the
    // report of a full list in place of its own.
    bool listFull = false;
};
// A tab label; `rows` is the number of rows in that tab's list.
struct TabClicked {
    ListKind list = ListKind::Files;
    std::size_t rows = 0;
};
// The window is closing: a running job stops and nothing ends it afterwards.
struct WindowClosing {};

using Event = std::variant<SearchClicked, StopClicked, BackClicked, WalkEnteredFolder, WalkFinished,
                           ExtractRequested, ScanFinished, TabClicked, WindowClosing>;

// ----------------------------------------------------------------- effects

struct StartWalk {
    std::string root;
};
struct StartScan {
    std::string path;
};
// Stop the running job; `wait` until its thread has ended.
struct StopWork {
    bool wait = false;
};
struct ClearList {
    ListKind list;
};
struct LogLine {
    std::string text;
};
// A message box with an OK button only.
enum class MessageKind { Information, ErrorReport, Warning };
struct ShowMessage {
    std::string text;
    MessageKind kind = MessageKind::Information;
};

using Effect = std::variant<StartWalk, StartScan, StopWork, ClearList, LogLine, ShowMessage>;
using Effects = std::vector<Effect>;

class Session {
  public:
    // Takes one event; returns what the window must do, in order. An event
    // that does not fit the state (a second job while one runs, the end of a
    // job after the window began closing) changes nothing and asks nothing.
    Effects handle(const Event& event);

    Controls controls() const;
    SearchAction searchAction() const;

    View view() const { return view_; }
    Activity activity() const { return activity_; }
    bool closing() const { return closing_; }
    // The file of the last extraction asked for (empty before the first).
    const std::string& contentsFile() const { return contentsFile_; }

  private:
    Effects on(const SearchClicked& e);
    Effects on(const StopClicked& e);
    Effects on(const BackClicked& e);
    Effects on(const WalkEnteredFolder& e);
    Effects on(const WalkFinished& e);
    Effects on(const ExtractRequested& e);
    Effects on(const ScanFinished& e);
    Effects on(const TabClicked& e);
    Effects on(const WindowClosing& e);

    View view_ = View::Files;
    Activity activity_ = Activity::Idle;
    // The list a tab put in front since the last change of activity or view;
    // without one, the view and the activity decide which list shows.
    std::optional<ListKind> front_;
    bool contentsHeaderHidden_ = false;
    bool closing_ = false;
    bool stopAsked_ = false;  // Stop was clicked during the running walk
    std::string walkRoot_;
    std::string walkFolder_;
    // How the last walk and the last extraction ended, for the status line.
    std::string filesStatus_;
    std::string contentsStatus_;
    std::string_view titleTag_;
    std::string contentsFile_;
};

// The tag a tab adds to the window's title.
std::string_view TitleTagOf(ListKind list);

// The message of a search root the walk could not open, by the system's
// error number: a missing folder, a file, or the system's reason.
std::string WalkRootReport(const std::string& root, int error);

// The report of a list that stopped at `rows` rows because memory runs short:
// the system's error, as a failed scan reports it, and where the list stops.
std::string ListFullReport(std::size_t rows);

}  // namespace tessaly
