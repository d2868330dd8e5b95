#ifndef RESOLVO_VERSION_H
#define RESOLVO_VERSION_H

#define RESOLVO_VERSION_MAJOR 2
#define RESOLVO_VERSION_MINOR 0
#define RESOLVO_VERSION_PATCH 0
#define RESOLVO_VERSION_BUILD 0

/* The version as the product shows it, with the minor number in two digits. */
#define RESOLVO_VERSION_TEXT "2.00"

#define RESOLVO_PRODUCT_NAME "Resolvo 2.0"
#define RESOLVO_COMPANY_NAME "Resolvo"
#define RESOLVO_FILE_DESCRIPTION "Resolvo DNS error fix"
#define RESOLVO_INTERNAL_NAME "resolvo"
#define RESOLVO_ORIGINAL_FILENAME "resolvo.exe"
#define RESOLVO_COPYRIGHT "Copyright © 2026 Resolvo"

#endif
