#pragma once
// Resource ids shared by the resource script and the code: dialog templates
// (IDD_), controls (IDC_), icons (IDI_), strings (IDS_). Plain #defines: the
// resource compiler reads this file too.

// ---- Strings ---------------------------------------------------------------
// Strings the code loads by name.
#define IDS_SETUP_TITLE               4      // caption of the background window
#define IDS_CONFIRM_EXIT_SETUP        5      // Yes/No: leave setup before it is complete
#define IDS_DEFAULT_GROUP_NAME        6      // program group proposed on the group page
#define IDS_CANNOT_CREATE_DIRECTORY   7
#define IDS_SETUP_CANNOT_CONTINUE     9      // heading of an error that ends the run
#define IDS_CONTINUE_OPERATION        14     // error dialog buttons when it asks
#define IDS_CANCEL_OPERATION          15
#define IDS_CANNOT_INSTALL_FILES_FROM 17     // heading, %s: the file that failed
#define IDS_PROGRAM_FILE              21     // the product's main program
#define IDS_PRODUCT_NAME              22
#define IDS_RESTART_FAILED            23
#define IDS_CREATE_FOLDER_QUESTION    24     // %s: the folder that does not exist
#define IDS_INSERT_LABELLED_DISKETTE  25     // diskette prompt, %s: the label, %s: the drive letter
#define IDS_INSERT_DISKETTE           26     // diskette prompt, %d: the diskette, %s: the drive letter
#define IDS_PATH_EMPTY                27
#define IDS_DISKETTE_FILE_MISSING     28     // %s: full path of the file looked for
#define IDS_INVALID_LOCATION          29     // %s: a location that is no usable directory path
#define IDS_SETUP_ALREADY_RUNNING     30     // a second setup refused while one runs
#define IDS_RUN_LOG_FAILED            31     // %s: the run log '/L:' names
#define IDS_STATUS_SUCCESS            57345  // status report; failure is the next id
#define IDS_STATUS_FAILED             57346

// Titles (IDS_ERR_...) and explanations (..._TEXT) of the error messages, read
// through the exception classes' message tables; a title without an
// explanation of its own shares one of the others.
#define IDS_ERR_PROFILE               10
#define IDS_ERR_PROFILE_TEXT          13
#define IDS_ERR_UNKNOWN               24576
#define IDS_ERR_UNKNOWN_TEXT          24577
#define IDS_ERR_MEMORY                24578
#define IDS_ERR_MEMORY_TEXT           24579
#define IDS_ERR_FILE                  24580
#define IDS_ERR_FILE_TEXT             24581
#define IDS_ERR_ARCHIVE               24582
#define IDS_ERR_ARCHIVE_TEXT          24583
#define IDS_ERR_RESOURCE              24584
#define IDS_ERR_RESOURCE_TEXT         24585
#define IDS_ERR_CANCELLED             24586
#define IDS_ERR_CANCELLED_TEXT        24587
#define IDS_ERR_NOT_SUPPORTED         24588
#define IDS_ERR_NOT_SUPPORTED_TEXT    24589
#define IDS_ERR_FILE_NOT_FOUND        24590
#define IDS_ERR_FILE_NOT_FOUND_TEXT   24591
#define IDS_ERR_BAD_PATH              24592
#define IDS_ERR_BAD_PATH_TEXT         24593
#define IDS_ERR_TOO_MANY_FILES        24594
#define IDS_ERR_TOO_MANY_FILES_TEXT   24595
#define IDS_ERR_ACCESS_DENIED         24596
#define IDS_ERR_ACCESS_DENIED_TEXT    24597
#define IDS_ERR_INVALID_FILE          24598
#define IDS_ERR_REMOVE_CURRENT_DIR    24599
#define IDS_ERR_DIRECTORY_FULL        24600
#define IDS_ERR_DIRECTORY_FULL_TEXT   24601
#define IDS_ERR_BAD_SEEK              24602
#define IDS_ERR_HARDWARE              24603
#define IDS_ERR_HARDWARE_TEXT         24604
#define IDS_ERR_SHARING               24605
#define IDS_ERR_SHARING_TEXT          24606
#define IDS_ERR_LOCKING               24607
#define IDS_ERR_LOCKING_TEXT          24608
#define IDS_ERR_DISK_FULL             24609
#define IDS_ERR_DISK_FULL_TEXT        24610
#define IDS_ERR_END_OF_FILE           24611
#define IDS_ERR_UNKNOWN_METHOD        27648
#define IDS_ERR_UNKNOWN_METHOD_TEXT   27649
#define IDS_ERR_NOT_AN_ARCHIVE        27650
#define IDS_ERR_NOT_AN_ARCHIVE_TEXT   27651
#define IDS_ERR_MISSING_HEADER        27652
#define IDS_ERR_MISSING_HEADER_TEXT   27653
#define IDS_ERR_CORRUPT_TABLE         27654
#define IDS_ERR_CORRUPT_TABLE_TEXT    27655
#define IDS_ERR_CRC_MISMATCH          27656
#define IDS_ERR_CRC_MISMATCH_TEXT     27657
#define IDS_ERR_ZLIB                  27658  // the compression library's errors share 27659
#define IDS_ERR_ZLIB_TEXT             27659
#define IDS_ERR_ZLIB_STREAM           27660
#define IDS_ERR_ZLIB_DATA             27661
#define IDS_ERR_ZLIB_BUFFER           27662

// ---- Icons -----------------------------------------------------------------
#define IDI_PROGRAM                   4      // the program's icon
#define IDI_GROUP                     101    // program group page
#define IDI_DIRECTORY                 102    // destination page
#define IDI_SETUP                     103    // welcome and finished pages
#define IDI_CONDITIONS                132    // install conditions page
#define IDI_COPY                      133    // copy page
#define IDI_READ_PROFILE              134    // reading the setup information
#define IDI_REMOVE_FILES              136    // removing files
#define IDI_ALERT                     137    // failure page, removal confirmation
#define IDI_REGISTER                  142    // registering and unregistering

// ---- Wizard pages ------------------------------------------------------------
// A page is known by its template id.
#define IDD_WELCOME                   102
#define IDD_DIRECTORY                 104
#define IDD_GROUP                     106
#define IDD_COPY                      108
#define IDD_DISKETTE_PROMPT           113
#define IDD_READ_PROFILE              114
#define IDD_FINISHED                  115
#define IDD_FAILED                    116
#define IDD_CONDITIONS                1537
#define IDD_REMOVE_CONFIRM            1545
#define IDD_REMOVE_FILES              1546
#define IDD_REMOVED                   1547
#define IDD_REGISTER                  1549
#define IDD_UNREGISTER                1550
#define IDD_RESTART                   1558
// The row of navigation buttons under the interactive pages (a child dialog).
#define IDD_NAVIGATION_BAR            129
// The folder browser opened from the destination page.
#define IDD_FOLDER                    138

// Controls of the pages.
#define IDC_BROWSE                    4      // destination page: "B&rowse..."
#define IDC_NAV_HELP                  9      // navigation bar: "&Help", never visible
#define IDC_PAGE_ICON                 1000   // the icon of the welcome, conditions and removal pages
#define IDC_LOCATION                  1001   // destination page: the location
#define IDC_FOLDER_PATH               1002   // folder dialog: the chosen path (edit)
#define IDC_NEW_GROUP                 1004   // group page: "Create &new group:"
#define IDC_EXISTING_GROUP            1005   // group page: "Use &existing group:"
#define IDC_GROUP_NAME                1006   // group page: the new group's name
#define IDC_GROUP_LIST                1007   // group page: the existing groups
#define IDC_SOURCE_FILE               1008   // copy page: the archive item being installed
#define IDC_DESTINATION_FILE          1009   // copy page: the file being installed
#define IDC_GAUGE                     1010   // copy page: the gauge (a black frame in the template)
#define IDC_NEXT                      1020   // navigation bar: "Next >"
#define IDC_BACK                      1027   // navigation bar: "< &Back"
#define IDC_REQUIREMENTS              1029   // conditions page: the unmet requirements
#define IDC_REMOVED_FILE              1031   // removal page: the file being removed
#define IDC_FOLDER_PATH_TEXT          1034   // folder dialog: the chosen path (static)
#define IDC_RESTART                   1035   // restart page: restart Windows now
#define IDC_FINISH_NO_RESTART         1036   // restart page: finish without restarting

// ---- Diskette prompt -----------------------------------------------------------
// Asks for the diskette that holds a file the setup program cannot find; the
// location is IDC_LOCATION.
#define IDC_PROMPT_BROWSE             3      // "B&rowse..."
#define IDC_PROMPT_REQUEST            1026   // "Please insert ... in drive A:"
#define IDC_PROMPT_EXPLANATION        1033   // IDS_DISKETTE_FILE_MISSING with the file's path

// ---- Error dialog --------------------------------------------------------------
// The heading, title, the explanation behind "More>>".
#define IDD_ERROR                     1544
#define IDC_ERROR_MORE                119    // "&More>>": collapse and expand
#define IDC_ERROR_CORNER              123    // hidden frame: bottom-right corner of the collapsed dialog
#define IDC_ERROR_TITLE               140
#define IDC_ERROR_HEADING             141
#define IDC_ERROR_ICON                142
#define IDC_ERROR_INFO                144    // "heading.code (class)"
#define IDC_ERROR_TEXT                152    // the explanation, read-only
#define IDC_ERROR_HELP                998    // has no action
