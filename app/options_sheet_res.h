// Resource identifiers of the options dialog's own templates.
#pragma once

// Stands in for the output page ("Sortie ") in builds that lack it.
#define IDD_OUTPUT_PAGE_PENDING 3900
