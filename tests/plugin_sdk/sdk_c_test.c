/* The SDK headers compile as C (plug-ins may be written in C); the layout assertions inside
 * them run here for the C compiler. */
#include "plugin_sdk/quorix_plugin.h"

FourCC sdkCServiceType(void) { return QX_TYPE_SERVICE; }
