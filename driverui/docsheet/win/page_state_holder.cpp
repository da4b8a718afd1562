#include "driverui/docsheet/win/page_state_holder.h"

#include <prsht.h>

namespace kelno {

namespace {

struct Holder {
    const DriverContext* owner = nullptr;
    bool setUp = false;
    PageState state;
};

Holder& TheHolder() {
    static Holder holder;
    return holder;
}

}  // namespace

PageState& OpenPageState(DriverContext& context) {
    Holder& holder = TheHolder();
    if (holder.owner != &context) {
        LoadPageState(context.state, holder.state);
        holder.owner = &context;
        holder.setUp = false;
    }
    return holder.state;
}

PageState& ReloadPageState(DriverContext& context) {
    Holder& holder = TheHolder();
    LoadPageState(context.state, holder.state);
    holder.owner = &context;
    holder.setUp = false;
    return holder.state;
}

bool PageStateSetUp(const DriverContext& context) {
    const Holder& holder = TheHolder();
    return holder.owner == &context && holder.setUp;
}

void MarkPageStateSetUp(const DriverContext& context) {
    Holder& holder = TheHolder();
    if (holder.owner == &context) holder.setUp = true;
}

PageState* PageStateOf(const DriverContext& context) {
    Holder& holder = TheHolder();
    return holder.owner == &context ? &holder.state : nullptr;
}

void ClosePageState(const DriverContext& context) {
    Holder& holder = TheHolder();
    if (holder.owner == &context) holder.owner = nullptr;
}

bool ApplyPageState(DriverContext& context) {
    const PageState* state = PageStateOf(context);
    if (!state) return false;
    StorePageState(*state, context.state);
    return true;
}

void ReportPageChanges(HWND page, const DriverContext& context) {
    const PageState* state = PageStateOf(context);
    HWND sheet = GetParent(page);
    if (state && PageStateDiffers(*state, context.state)) PropSheet_Changed(sheet, page);
    else PropSheet_UnChanged(sheet, page);
}

}  // namespace kelno
