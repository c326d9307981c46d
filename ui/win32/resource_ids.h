#pragma once

// The numbers of the dialog templates, the picture and the controls; shared by the resource
// script and the pages, and by the UI test that drives the pages through them.

#define IDD_STATUS 131
#define IDD_TUNE 132
#define IDD_CONFIGURATION 133
#define IDB_BEACON_MAST 137
#define IDI_SKYLARK 100

// Configuration page.
#define IDC_INPUT_OPEN 1044
#define IDC_OUTPUT_OPEN 1045
#define IDC_INPUT_LIST 1048
#define IDC_OUTPUT_LIST 1049
#define IDC_INPUT_TEST 1050
#define IDC_OUTPUT_TEST 1051
#define IDC_SAME_PORT 1053
#define IDC_SCAN 1054
#define IDC_INPUT_GROUP 1056
#define IDC_OUTPUT_GROUP 1057
// Under the groups: the wait for a lost port, its return.
#define IDC_PORT_NOTE 1100
#define IDC_FIND 1101
// Under each list: what the system calls the device ("USB Serial Port (COM12)").
#define IDC_INPUT_DEVICE 1102
#define IDC_OUTPUT_DEVICE 1103

// Tune page.
#define IDC_FREQUENCY_LIST 1020
#define IDC_RATE_LIST 1023
#define IDC_COUNTRY_LIST 1024
#define IDC_BEACON_LIST 1031
#define IDC_REGION_LIST 1033
#define IDC_TUNE 1038
#define IDC_TUNE_AUTOMATIC 1039
#define IDC_TUNE_BY_FREQUENCY 1040
#define IDC_TUNE_BY_SITE 1041
// The labels of the lists.
#define IDC_FREQUENCY_LABEL 1070
#define IDC_RATE_LABEL 1071
#define IDC_REGION_LABEL 1072
#define IDC_COUNTRY_LABEL 1073
#define IDC_BEACON_LABEL 1074
// Beside Tune while a tune runs.
#define IDC_TUNING 1062
// Under Tune when no site file was found: where it was looked for.
#define IDC_SITE_FILE_NOTE 1063

// Status page.
#define IDC_LOCKED_FIELD 1017
#define IDC_FREQUENCY_FIELD 1018
#define IDC_RATE_FIELD 1019
#define IDC_STATION_FIELD 1020
#define IDC_SITE_FIELD 1021
#define IDC_SNR_FIELD 1023
#define IDC_SIGNAL_FIELD 1031
// How long the receiver has been silent, under the health values it last reported.
#define IDC_HEALTH_AGE 1032
#define IDC_SIGNAL_CHART 1060
// The group boxes and the fields' labels.
#define IDC_SITE_GROUP 1080
#define IDC_HEALTH_GROUP 1081
#define IDC_SITE_LABEL 1082
#define IDC_FREQUENCY_FIELD_LABEL 1083
#define IDC_RATE_FIELD_LABEL 1084
#define IDC_STATION_LABEL 1085
#define IDC_LOCKED_LABEL 1086
#define IDC_SIGNAL_LABEL 1087
#define IDC_SNR_LABEL 1088
// The state line, what the program waits for, the two buttons and the signal log's name and rows.
#define IDC_STATE_LABEL 1090
#define IDC_STATE_FIELD 1091
#define IDC_STATE_NOTE 1092
#define IDC_UPDATE 1093
#define IDC_RECORD 1094
#define IDC_LOG_FIELD 1095

// The picture at the foot of every page.
#define IDC_PICTURE 1061
