/* mathsvc.kpl: the math service 'MATH'. Its one function, at offset 24 of the table, is the
 * arc cosine that effects use to lay out their meshes. */
#include <math.h>

#include "plugin_sdk/quorix_plugin.h"

/* The angle 0..pi whose cosine is x. Arguments outside -1..1 are taken as the nearer end, and
 * a value that is not a number as 1, so the answer is always an angle. */
static double arcCosine(double x) {
  if (!(x < 1.0)) return 0.0;
  if (x < -1.0) x = -1.0;
  return acos(x);
}

static const MathServiceTable kMathService = {
    {QX_SERVICE_TABLE_VERSION, {0, 0, 0, 0}}, 0, arcCosine};

QX_PLUGIN_ENTRY(PluginMain);

int32_t PluginMain(PluginCallBlock* block) {
  qxAnswerServiceSelector(block, QX_SERVICE_MATH, &kMathService);
  return 0;
}
