#include "system/scan_task_win.h"

#include "system/command_line.h"
#include "system/machine_facts.h"
#include "common/com_ptr_win.h"

#include <mstask.h>
#include <objbase.h>

#include <exception>
#include <utility>

namespace {

constexpr DWORD scan_task_flags = TASK_FLAG_INTERACTIVE | TASK_FLAG_DONT_START_IF_ON_BATTERIES |
                                  TASK_FLAG_KILL_IF_GOING_ON_BATTERIES | TASK_FLAG_RUN_ONLY_IF_LOGGED_ON;
static_assert(scan_task_flags == 0x20C1, "the work item's flags");
static_assert(sizeof(TASK_TRIGGER) == 48, "the trigger record's size field");

// A text the scheduler allocated with the task allocator.
class task_text_c {
public:
    task_text_c() = default;
    ~task_text_c() { CoTaskMemFree(text_); }
    task_text_c(const task_text_c&) = delete;
    task_text_c& operator=(const task_text_c&) = delete;
    LPWSTR* put() {
        CoTaskMemFree(std::exchange(text_, nullptr));
        return &text_;
    }
    std::wstring value() const { return text_ ? std::wstring(text_) : std::wstring(); }

private:
    LPWSTR text_ = nullptr;
};

com_ptr_c<ITaskScheduler> make_scheduler() {
    com_ptr_c<ITaskScheduler> scheduler;
    if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                scheduler.put_void())))
        scheduler.reset();
    return scheduler;
}

com_ptr_c<ITask> open_task(const wchar_t* name) {
    com_ptr_c<ITask> task;
    com_ptr_c<ITaskScheduler> scheduler = make_scheduler();
    if (!scheduler || FAILED(scheduler->Activate(name, IID_ITask, reinterpret_cast<IUnknown**>(task.put()))))
        task.reset();
    return task;
}

// True only when the scheduler says plainly that there is no such item; an item it cannot read
// still occupies the name.
bool task_is_absent(ITaskScheduler* scheduler, const wchar_t* name) {
    com_ptr_c<ITask> task;
    HRESULT result = scheduler->Activate(name, IID_ITask, reinterpret_cast<IUnknown**>(task.put()));
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

bool save_task(ITask* task) {
    com_ptr_c<IPersistFile> file;
    if (FAILED(task->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
    return SUCCEEDED(file->Save(nullptr, TRUE));
}

// Computer name + "\" + user name.
bool current_account(std::wstring& account) {
    wchar_t computer[300] = {};
    wchar_t user[300] = {};
    DWORD computer_length = 300;
    DWORD user_length = 300;
    if (!GetComputerNameW(computer, &computer_length) || !GetUserNameW(user, &user_length)) return false;
    account = std::wstring(computer) + L"\\" + user;
    return true;
}

bool add_weekly_trigger(ITask* task, const local_minute_c& now) {
    WORD index = 0;
    com_ptr_c<ITaskTrigger> trigger;
    if (FAILED(task->CreateTrigger(&index, trigger.put()))) return false;
    weekly_start_c start = weekly_start_after(now);
    TASK_TRIGGER record{};
    record.cbTriggerSize = sizeof record;
    record.wBeginYear = WORD(start.first_run.year);
    record.wBeginMonth = WORD(start.first_run.month);
    record.wBeginDay = WORD(start.first_run.day);
    record.wStartHour = WORD(start.first_run.hour);
    record.wStartMinute = WORD(start.first_run.minute);
    record.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
    record.Type.Weekly.WeeksInterval = 1;
    record.Type.Weekly.rgfDaysOfTheWeek = start.days_of_week;
    return SUCCEEDED(trigger->SetTrigger(&record));
}

bool read_first_trigger(ITask* task, TASK_TRIGGER& record, com_ptr_c<ITaskTrigger>& trigger) {
    if (FAILED(task->GetTrigger(0, trigger.put()))) return false;
    record = TASK_TRIGGER{};
    record.cbTriggerSize = sizeof record;
    return SUCCEEDED(trigger->GetTrigger(&record));
}

}  // namespace

local_minute_c current_local_minute() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wDayOfWeek};
}

bool create_scan_task(const wchar_t* name, const std::wstring& application, const local_minute_c& now) try {
    com_ptr_c<ITaskScheduler> scheduler = make_scheduler();
    if (!scheduler) return false;
    // Windows refuses to create an item that exists; Wine would overwrite it and with it the
    // schedule the user set in its property pages.
    if (!task_is_absent(scheduler.get(), name)) return false;
    com_ptr_c<ITask> task;
    if (FAILED(scheduler->NewWorkItem(name, CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(task.put()))))
        return false;
    std::wstring account;
    return SUCCEEDED(task->SetApplicationName(application.c_str())) &&
           SUCCEEDED(task->SetComment(scan_task_comment)) && SUCCEEDED(task->SetParameters(autorun_switch)) &&
           SUCCEEDED(task->SetFlags(scan_task_flags)) && current_account(account) &&
           SUCCEEDED(task->SetAccountInformation(account.c_str(), nullptr)) && add_weekly_trigger(task.get(), now) &&
           save_task(task.get());
} catch (const std::exception&) {  // out of memory: nothing was saved
    return false;
}

bool create_scan_task() { return create_scan_task(scan_task_name, program_path(), current_local_minute()); }

bool enable_scan_task(bool enable, const wchar_t* name) {
    com_ptr_c<ITask> task = open_task(name);
    if (!task) return false;
    TASK_TRIGGER record;
    com_ptr_c<ITaskTrigger> trigger;
    if (!read_first_trigger(task.get(), record, trigger)) return false;
    record.rgFlags = enable ? 0 : TASK_TRIGGER_FLAG_DISABLED;
    return SUCCEEDED(trigger->SetTrigger(&record)) && save_task(task.get());
}

bool edit_scan_task(HWND owner, const wchar_t* name) {
    com_ptr_c<ITask> task = open_task(name);
    return task && SUCCEEDED(task->EditWorkItem(owner, 0));
}

std::optional<scan_task_record_c> read_scan_task(const wchar_t* name) try {
    com_ptr_c<ITask> task = open_task(name);
    if (!task) return std::nullopt;
    scan_task_record_c item;
    task_text_c application, parameters, comment, account;
    DWORD flags = 0;
    WORD trigger_count = 0;
    if (FAILED(task->GetApplicationName(application.put())) || FAILED(task->GetParameters(parameters.put())) ||
        FAILED(task->GetComment(comment.put())) || FAILED(task->GetFlags(&flags)) ||
        FAILED(task->GetTriggerCount(&trigger_count)))
        return std::nullopt;
    item.application = application.value();
    item.parameters = parameters.value();
    item.comment = comment.value();
    item.flags = flags;
    item.trigger_count = trigger_count;
    if (SUCCEEDED(task->GetAccountInformation(account.put()))) item.account = account.value();
    TASK_TRIGGER record;
    com_ptr_c<ITaskTrigger> trigger;
    if (trigger_count > 0 && read_first_trigger(task.get(), record, trigger)) {
        scan_trigger_record_c& first = item.first_trigger;
        first.begin_year = record.wBeginYear;
        first.begin_month = record.wBeginMonth;
        first.begin_day = record.wBeginDay;
        first.start_hour = record.wStartHour;
        first.start_minute = record.wStartMinute;
        first.type = std::uint32_t(record.TriggerType);
        first.weeks_interval = record.TriggerType == TASK_TIME_TRIGGER_WEEKLY ? record.Type.Weekly.WeeksInterval : 0;
        first.days_of_week = record.TriggerType == TASK_TIME_TRIGGER_WEEKLY ? record.Type.Weekly.rgfDaysOfTheWeek : 0;
        first.flags = record.rgFlags;
    }
    return item;
} catch (const std::exception&) {
    return std::nullopt;
}

scan_task_calls_win_c::scan_task_calls_win_c(HWND owner) : scan_task_calls_win_c(owner, program_path(), scan_task_name) {}

scan_task_calls_win_c::scan_task_calls_win_c(HWND owner, std::wstring application, std::wstring name)
    : owner_(owner), application_(std::move(application)), name_(std::move(name)) {}

bool scan_task_calls_win_c::create() {
    return create_scan_task(name_.c_str(), application_, current_local_minute());
}

bool scan_task_calls_win_c::enable(bool enable) { return enable_scan_task(enable, name_.c_str()); }

bool scan_task_calls_win_c::edit() { return edit_scan_task(owner_, name_.c_str()); }
