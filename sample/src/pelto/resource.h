#pragma once

#define IDI_PELTO       1
#define IDI_HELPFILE    2
#define IDI_LEDGER      3

#define IDM_MAIN        100
#define IDM_OPEN        101
#define IDM_EXIT        102
#define IDM_HELP        103
#define IDM_ABOUT       104

#define IDS_TITLE       200
#define IDS_NO_LEDGER   201
#define IDS_CANT_OPEN   202
#define IDS_ABOUT       203
#define IDS_FILTER      204
