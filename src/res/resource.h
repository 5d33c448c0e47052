#pragma once
// Resource ids shared by the resource script and the code: dialog templates
// (IDD_), controls (IDC_), strings (IDS_).
