#pragma once

#include <string_view>

// The texts the window shows and logs, kept in one place so the window, the
// command line and the tests use the very same words.
namespace tessaly::texts {

// Start-up
inline constexpr std::string_view kCouldNotLocate = " could not locate [ ";
inline constexpr std::string_view kVerifyFile =
    " ]\r\n\r\nPlease verify the file exists and try again.";
inline constexpr std::string_view kWarnMayTakeAMoment =
    "Warning: this process may take a few moments";

// Extraction
inline constexpr std::string_view kExtractingStatus =
    "Extracting contents.... please wait (this may take a few minutes)";
inline constexpr std::string_view kNoContentsFound = "No contents found";
inline constexpr std::string_view kItemsFound = " items found";
inline constexpr std::string_view kNothingToShow = "There's nothing to show you ...";
// After the system's error when a list stops because memory runs short.
inline constexpr std::string_view kListStopsAt = "\r\n\r\nThe list stops at ";
inline constexpr std::string_view kListStopsAtEnd =
    " rows: more would not fit safely in this computer's memory. The rows found so far are "
    "kept.";

// Search label captions: the caption is the search's state.
inline constexpr std::string_view kSearch = "Search";
inline constexpr std::string_view kStop = "Stop";
inline constexpr std::string_view kBack = "<< Back";
inline constexpr std::string_view kSearching = "Searching: ";

// What the status line says once a job has ended.
inline constexpr std::string_view kSearchStopped = "Search stopped";
inline constexpr std::string_view kFilesFound = " files found";
inline constexpr std::string_view kOneFileFound = "1 file found";
inline constexpr std::string_view kNoFilesFound = "No files found";
inline constexpr std::string_view kEntriesFrom = " entries extracted from ";
inline constexpr std::string_view kOneEntryFrom = "1 entry extracted from ";
inline constexpr std::string_view kBeforeAnError = " before an error";
// A search root the walk could not open.
inline constexpr std::string_view kTheFolder = "The folder ";
inline constexpr std::string_view kDoesNotExist = " does not exist.";
inline constexpr std::string_view kIsNotAFolder = " is not a folder.";
inline constexpr std::string_view kCannotBeSearched = " cannot be searched: ";
inline constexpr std::string_view kNothingSearched = "\r\n\r\nNothing was searched.";

// Tabs
// What assistive tools say of the tab of the list shown.
inline constexpr std::string_view kSelectedTab = "Selected: its list is shown";
inline constexpr std::string_view kFilesTag = " [ Files ]";
inline constexpr std::string_view kContentsTag = " [ Contents ]";
inline constexpr std::string_view kRecordsTag = " [ Records ]";
inline constexpr std::string_view kRecordsTab = "Records";

// Records
inline constexpr std::string_view kExportRecordsItem = "Export records...";
inline constexpr std::string_view kExportRecordsTitle = "Export records";
inline constexpr std::string_view kLocalTimeItem = "Show times in &local time";
inline constexpr std::string_view kCopyRowsItem = "Copy rows";
inline constexpr std::string_view kShowRawEntryItem = "Show raw entry";
inline constexpr std::string_view kRecordPropertiesItem = "Record &properties";
inline constexpr std::string_view kFilterPlaceholder = "Filter: location, URL, user or cache file";
inline constexpr std::string_view kAllStatuses = "Any status";
inline constexpr std::string_view kAllTypes = "Any type";
inline constexpr std::string_view kOfRecords = " of ";
inline constexpr std::string_view kRecordsWord = " records";

// Commands on entries
inline constexpr std::string_view kInvalidUrl = "Invalid URL";
inline constexpr std::string_view kLaunchQuestion = "Are you sure you want to launch this URL?";
inline constexpr std::string_view kLaunchNotAnAddress =
    "This entry is not an address that can be launched: it does not begin with a scheme "
    "such as http://. Nothing was opened.";
// Look-ups the user controls
inline constexpr std::string_view kLookupsOff =
    "Look-ups are switched off (Offline=1 in Tessaly.ini)";
inline constexpr std::string_view kLookUpQuestion = "Are you sure you want to open this look-up?";
inline constexpr std::string_view kToolsMenu = "&Tools";
inline constexpr std::string_view kServicesItem = "Look-up services...";
inline constexpr std::string_view kOfflineItem = "Work &offline (no look-ups or launches)";
inline constexpr std::string_view kConfirmItem = "&Ask before each look-up";
inline constexpr std::string_view kServicesTitle = "Look-up services";
inline constexpr std::string_view kFileSavedAs = "File saved as: ";
inline constexpr std::string_view kSaveInvalidView =
    "An error has occured whilst processing this request.\r\n\r\nRef: 001\r\n\r\n"
    "Description: Invalid option in function: frmMain at level: mnuSave";
inline constexpr std::string_view kSaveFilter =
    "Tessaly File (*.tly)|*.tly|Gorsebank File (*.gbk)|*.gbk|Plain Text (*.txt)|*.txt|"
    "HTML Document (*.html)|*.html|All Files (*.*)|*.*";
inline constexpr std::string_view kSaveResultsTitle = "Save Results";
inline constexpr std::string_view kSaveContentsTitle = "Save File Contents";
inline constexpr std::string_view kSelectFolder = "Select folder";
// The buttons as assistive tools name and describe them.
inline constexpr std::string_view kBrowseName = "Browse";
inline constexpr std::string_view kBrowseDescription =
    "Choose the folder to search for index.dat files";
inline constexpr std::string_view kSearchDescription =
    "Search the folder in Search in for index.dat files; while searching, stop; "
    "in the contents list, go back to the files list";
inline constexpr std::string_view kCopyFilesCaption = "Copy selected item to clipboard";
// The tooltip of a popup item that acts on a row when none is selected.
inline constexpr std::string_view kNoRowSelected = "Select a row first";

// Window layout
inline constexpr std::string_view kMinimumWidth = "Minimum width reached";
inline constexpr std::string_view kMinimumHeight = "Minimum height reached";

// Help
inline constexpr std::string_view kNoHelpFiles =
    "Help files not present, would you like to visit the knowledgebase?";

}  // namespace tessaly::texts
