/* Resource ids of the services library tests. */
#define IDI_SVCTEST 11000
#define IDM_SVCTEST 200
#define IDM_SVCTEST_ITEM 201
#define IDS_SVCTEST_FIRST 11000
#define IDS_SVCTEST_SECOND 11012
