// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison stroke through GEGL's gegl:warp: a grow stroke on a
// 6000 x 4000 picture, one stamp per dab, each dab followed by the render of
// its rectangle through gegl:map-relative with nearest sampling (Grimora's
// own sampling). Prints the median time per dab of three runs, for brush
// sizes 100 and 600 (radius 50 and 300).
#include <gegl.h>
#include <glib-object.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kWidth = 6000, kHeight = 4000, kDabs = 64, kRuns = 3, kStep = 10 };

static int compareDoubles(const void* a, const void* b) {
    const double x = *(const double*)a;
    const double y = *(const double*)b;
    return (x > y) - (x < y);
}

// The enum value of a property of an operation, found by its nick, so that
// nothing here depends on the enum's numbering.
static gint enumValue(const char* operation, const char* property, const char* nick) {
    GParamSpec* param = gegl_operation_find_property(operation, property);
    if (param == NULL || !G_IS_PARAM_SPEC_ENUM(param)) {
        fprintf(stderr, "%s has no enum property %s\n", operation, property);
        exit(1);
    }
    GEnumValue* value = g_enum_get_value_by_nick(G_PARAM_SPEC_ENUM(param)->enum_class, nick);
    if (value == NULL) {
        fprintf(stderr, "%s.%s has no value %s\n", operation, property, nick);
        exit(1);
    }
    return value->value;
}

// One stroke of kDabs dabs on a fresh picture and field; the time of each dab
// (path point, warp, render of its rectangle) in milliseconds into `times`.
static void runStroke(double size, GeglBuffer* picture, const Babl* rgb, guchar* out,
                      double* times) {
    GeglBuffer* coords = gegl_buffer_new(GEGL_RECTANGLE(0, 0, kWidth, kHeight),
                                         babl_format_n(babl_type("float"), 2));
    GeglPath* path = gegl_path_new();
    GeglNode* graph = gegl_node_new();
    GeglNode* field =
        gegl_node_new_child(graph, "operation", "gegl:buffer-source", "buffer", coords, NULL);
    GeglNode* source =
        gegl_node_new_child(graph, "operation", "gegl:buffer-source", "buffer", picture, NULL);
    // One stamp per dab: the points lie kStep apart and so do the stamps.
    GeglNode* warp =
        gegl_node_new_child(graph, "operation", "gegl:warp", "behavior",
                            enumValue("gegl:warp", "behavior", "grow"), "size", size, "strength",
                            50.0, "hardness", 0.5, "spacing", kStep / size, "stroke", path, NULL);
    GeglNode* map = gegl_node_new_child(graph, "operation", "gegl:map-relative", "sampler-type",
                                        enumValue("gegl:map-relative", "sampler-type", "nearest"),
                                        "scaling", 1.0, NULL);
    gegl_node_link(field, warp);
    gegl_node_connect_to(warp, "output", map, "aux");
    gegl_node_connect_to(source, "output", map, "input");

    const double x0 = kWidth / 2 - kDabs * kStep / 2;
    const double y = kHeight / 2;
    const int half = (int)(size / 2) + 1;
    for (int k = 0; k < kDabs; ++k) {
        const double x = x0 + k * kStep;
        const gint64 start = g_get_monotonic_time();
        gegl_path_append(path, k == 0 ? 'M' : 'L', x, y);
        const GeglRectangle rect = {(int)x - half, (int)y - half, 2 * half + 1, 2 * half + 1};
        gegl_node_blit(map, 1.0, &rect, rgb, out, 3 * rect.width, GEGL_BLIT_DEFAULT);
        times[k] = (double)(g_get_monotonic_time() - start) / 1000.0;
    }
    g_object_unref(graph);
    g_object_unref(path);
    g_object_unref(coords);
}

int main(int argc, char** argv) {
    gegl_init(&argc, &argv);
    const Babl* rgb = babl_format("R'G'B' u8");
    GeglBuffer* picture = gegl_buffer_new(GEGL_RECTANGLE(0, 0, kWidth, kHeight), rgb);
    {
        guchar* row = malloc(3 * kWidth);
        for (int r = 0; r < kHeight; ++r) {
            for (int k = 0; k < 3 * kWidth; ++k) {
                row[k] = (guchar)(r * 7 + k * 13);
            }
            gegl_buffer_set(picture, GEGL_RECTANGLE(0, r, kWidth, 1), 0, rgb, row,
                            GEGL_AUTO_ROWSTRIDE);
        }
        free(row);
    }
    guchar* out = malloc(3 * 700 * 700);
    for (int s = 0; s < 2; ++s) {
        const double size = s == 0 ? 100.0 : 600.0;
        double medians[kRuns];
        for (int run = 0; run < kRuns; ++run) {
            double times[kDabs];
            runStroke(size, picture, rgb, out, times);
            // The first dab builds the graph's caches; the stroke's own
            // steps are the rest.
            qsort(times + 1, kDabs - 1, sizeof times[0], compareDoubles);
            medians[run] = times[1 + (kDabs - 1) / 2];
        }
        qsort(medians, kRuns, sizeof medians[0], compareDoubles);
        printf(
            "gegl:warp grow, size %4.0f, nearest: median per dab %8.3f ms (runs %.3f %.3f "
            "%.3f)\n",
            size, medians[kRuns / 2], medians[0], medians[1], medians[2]);
    }
    free(out);
    g_object_unref(picture);
    gegl_exit();
    return 0;
}
