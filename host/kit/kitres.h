/* Resource ids of the test host kit, shared by kitres.rc and the tests. */
#ifndef KITRES_H
#define KITRES_H

#define TBKIT_IDD_PROJPROPS     11100 /* the host's project properties dialog */
#define TBKIT_IDC_OPENONSTARTUP 100   /* check box "Open the project viewer at start-up" */
#define TBKIT_IDC_HELP          9     /* Help button (OK = 1, Cancel = 2) */

#endif
