#pragma once
// The small pictures on the report window's toolbar buttons, painted in code so that the
// program carries no image files.

#include <QIcon>

namespace volarin {

enum class ToolbarPicture { Print, Close, FitWidth, FitHeight, ZoomIn, ZoomOut };

QIcon ToolbarIcon(ToolbarPicture picture);

}  // namespace volarin
