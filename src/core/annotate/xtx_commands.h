// The procedure-code document's bar controls: the annotation toggles, the
// block navigation that widens the range of blocks shown, their checking
// and enabling, and what activating the view shows.
#pragma once

#include "annotate/annotation_context.h"
#include "annotate/ref_toggles.h"
#include "annotate/view_bars.h"

namespace sorvi {

// The block count N of the context's only procedure record (0 without one).
int xtx_procedure_block_count(const AnnotationContext& context);

// Checking and enabling (the first refresh of the process also sets the
// radio buttons). `files` as the whole-file document finds them.
BarState xtx_bar_state(const AnnotationContext& context, const RefWorkFiles& files);

// The annotation and navigation bars shown, the layout bar hidden; with
// highlighting "Current" and "Combined" take the place of the four boxes
// and "All", without it those five are shown.
BarLayout xtx_view_activation(const AnnotationContext& context);

// Carries out one command of the annotation or navigation bar; every
// command regenerates the view.
ToggleOutcome xtx_command(AnnotationContext& context, BarControl control, bool checked, const BarState& state);

}  // namespace sorvi
