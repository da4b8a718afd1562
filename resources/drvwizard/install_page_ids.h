#pragma once
// Controls of the install page (dialog 131) and the texts only that page shows.

// Port filter radio buttons and their label
#define IDC_FILTER_USB 1027
#define IDC_FILTER_NETWORK 1030
#define IDC_FILTER_BLUETOOTH 1031
#define IDC_FILTER_COM 1038
#define IDC_FILTER_OTHERS 1032
#define IDC_PORT_TYPE_LABEL 1043

#define IDC_PORT_LIST 1008
#define IDC_MODEL_LIST 1006
#define IDC_PRINTER_NAME 1013
#define IDC_SET_DEFAULT 1014
#define IDC_PORT_SETTINGS 1029
#define IDC_IP_LABEL 1033
#define IDC_IP_ADDRESS 1028
#define IDC_TCP_PORT_LABEL 1034
#define IDC_TCP_PORT 1015
#define IDC_CONNECT_HINT 1037
#define IDC_AUTO_SET_IP 1035
#define IDC_MODEL_LABEL 1044
#define IDC_PRINTER_NAME_LABEL 1046

// Checks of Next beyond the address and the port row: the TCP port number and the queue name
#define IDS_TCP_PORT_INVALID 204
#define IDS_PRINTER_NAME_EMPTY 205
#define IDS_PRINTER_NAME_INVALID 206
