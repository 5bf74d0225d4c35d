// The program's dialog templates, expanded from the file the resource script
// compiles too, so the two builds cannot drift apart.
#include "platform/posix/backend/dialog.h"
#include "resources/ResourceIds.h"

namespace layer {

namespace {

#define DIALOG_FRAME(...)
#define DIALOG_CONTROL(text, id, cls, style, x, y, cx, cy) {text, id, cls, style, x, y, cx, cy},
const DialogItemTemplate kConfigItems[] = {
#include "resources/ConfigDialog.inc"
};
#undef DIALOG_FRAME
#undef DIALOG_CONTROL

#define DIALOG_FRAME(id, style, x, y, cx, cy, title, points, face) \
    {id,                                                           \
     style,                                                        \
     x,                                                            \
     y,                                                            \
     cx,                                                           \
     cy,                                                           \
     title,                                                        \
     points,                                                       \
     face,                                                         \
     kConfigItems,                                                 \
     static_cast<int>(sizeof kConfigItems / sizeof kConfigItems[0])},
#define DIALOG_CONTROL(...)
const DialogTemplate kTemplates[] = {
#include "resources/ConfigDialog.inc"
};
#undef DIALOG_FRAME
#undef DIALOG_CONTROL

}  // namespace

const DialogTemplate* FindDialogTemplate(LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const int id = static_cast<int>(reinterpret_cast<UINT_PTR>(name));
    for (const DialogTemplate& dialogTemplate : kTemplates)
        if (dialogTemplate.id == id) return &dialogTemplate;
    return nullptr;
}

}  // namespace layer
