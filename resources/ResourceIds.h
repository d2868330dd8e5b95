#ifndef RESOLVO_RESOURCE_IDS_H
#define RESOLVO_RESOURCE_IDS_H

/* The application icon: the lowest icon id, so Explorer shows it for the file. */
#define IDI_RESOLVO 1

/* The disclaimer's banner, a JPEG kept as raw data. */
#define IDR_BANNER 100

#endif
