/* Everything a plug-in needs: include this one header. */
#ifndef QUORIX_PLUGIN_SDK_QUORIX_PLUGIN_H
#define QUORIX_PLUGIN_SDK_QUORIX_PLUGIN_H

#include "plugin_sdk/quorix_types.h"
#include "plugin_sdk/buffer_desc.h"
#include "plugin_sdk/call_block.h"
#include "plugin_sdk/host_environment.h"
#include "plugin_sdk/service_table.h"
#include "plugin_sdk/host_toolbox.h"
#include "plugin_sdk/service_plugin.h"
#include "plugin_sdk/status_codes.h"

#endif
