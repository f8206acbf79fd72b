/* Resource ids shared by tbmenu32.rc and the code. */
#ifndef CUSTMENU_RES_H
#define CUSTMENU_RES_H

#define IDS_MENU_FIRST 1000 /* New; the nine menu names follow in table order */

#endif
