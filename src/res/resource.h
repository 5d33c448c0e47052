#pragma once
// Resource ids shared by the resource script and the code: dialog templates
// (IDD_), controls (IDC_), strings (IDS_). Plain #defines: the resource
// compiler reads this file too.

// Strings the code loads by name. The titles and explanations of the error
// messages are reached through the exception classes' message tables, which
// name their ids there.
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
#define IDS_PATH_EMPTY                27
#define IDS_DISKETTE_FILE_MISSING     28     // %s: full path of the file looked for
#define IDS_STATUS_SUCCESS            57345  // status report; failure is the next id
#define IDS_STATUS_FAILED             57346
