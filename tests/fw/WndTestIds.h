#pragma once
// The dialog template of the window and dialog tests.
#define IDD_TEST_FORM      9001
#define IDC_FORM_NAME      100   // edit
#define IDC_FORM_CHECK     101   // check box
#define IDC_FORM_RADIO_A   102   // first of three radio buttons (one group)
#define IDC_FORM_RADIO_B   103
#define IDC_FORM_RADIO_C   104
#define IDC_FORM_AFTER     105   // edit starting the next group
#define IDC_FORM_LABEL     106   // static
