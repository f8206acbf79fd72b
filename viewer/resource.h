/* Resource ids of the project viewer, shared by tbview32.rc and the code. */
#ifndef VIEWER_RESOURCE_H
#define VIEWER_RESOURCE_H

#define IDS_VIEWERTITLE     11000
#define IDS_CAPTION         11001
#define IDS_TYPEFIRST       11002 /* 11002..11005 type-list labels */
#define IDS_FILEMIN         11010
#define IDS_FACENAME        11011
#define IDS_HISTSECTION     11012
#define IDS_HISTKEYPREFIX   11013
#define IDS_EXTFIRST        11014 /* 11014..11032 the nineteen extensions */
#define IDS_TYPEAHEADFMT    11033

#define IDB_TYPES           11000 /* 24-pixel type pictures */
#define IDB_FILES_SMALL     11001 /* document kinds at 11 pixels */
#define IDB_FILES_LARGE     11002 /* document kinds at 15 pixels */
#define IDB_BROWSE_SMALL    11003
#define IDB_BROWSE_LARGE    11004

#define IDI_VIEWER          11000
#define IDM_VIEWER          11001

#define IDC_SHOWALL         11002
#define IDC_CMD11003        11003
#define IDC_SHOWTABLES      11004
#define IDC_CMD11005        11005
#define IDC_CMD11006        11006
#define IDC_SHOWQUERIES     11007
#define IDC_SHOWFORMS       11008
#define IDC_CMD11009        11009
#define IDC_REFERENCES      11010
#define IDC_OPEN            11011
#define IDC_OBJECTMENU      11012
#define IDC_REFRESH         11013
#define IDC_CMD11014        11014
#define IDC_CMD11015        11015
#define IDC_CMD11016        11016
#define IDC_CLOSEVIEWER     30623

#endif
