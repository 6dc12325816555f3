#include "data/thread_data.h"

#include <mutex>

#include "data/access.h"
#include "data/dictionary.h"
#include "data/tables.h"
#include "platform/core/process.h"
#include "platform/files/record.h"
#include "platform/files/sql/connection.h"

namespace kvadrin {

thread_local std::uint8_t CallRequest = 0;
thread_local std::uint8_t CallResponse = 0;
thread_local std::int32_t CallNavRequest = 0;

namespace {

void clear_buffers() {
    for (int i = 0; i <= static_cast<int>(TableId::FORMATS); ++i) {
        auto id = static_cast<TableId>(i);
        rt::clear_record(table_def(id).layout, record_buffer(id));
    }
}

}  // namespace

void MainThreadFilesInit() {
    clear_buffers();
    Files::Build();
}

void MainThreadDataInit() {
    CallRequest = 0;
    CallResponse = 0;
    CallNavRequest = 0;
    RecnikNitPripremi();
}

void RecnikNitPripremi() {
    if (rt::thread_number() != 1) RecnikPostavi();
}

void RecnikNitOslobodi() { RecnikOslobodi(); }

void MainThreadFilesTerm() {
    RecnikNitOslobodi();
    Files::Destroy();  // closes what is still open
    clear_buffers();   // the thread's buffers go with it; leave nothing behind
    rt::sql::CloseThreadConnections();
}

void InstallThreadHooks() {
    static std::once_flag once;
    std::call_once(once, [] {
        rt::register_thread_hooks(
            [] {
                MainThreadFilesInit();
                MainThreadDataInit();
            },
            [] { MainThreadFilesTerm(); });
    });
}

}  // namespace kvadrin
