// The one seam every modal dialog passes through. Tests queue answers in
// advance (and can forbid real dialogs), so no test can hang on a dialog;
// every dialog shown is logged.
#pragma once

#include <gearhost/window_system.hpp>

#include <deque>
#include <string>
#include <vector>

namespace gr {

class DialogSeam {
public:
    // Queue the answer the next message box gets (1 = OK).
    void queueMessageAnswer(int button) { message_answers_.push_back(button); }
    // Queue the answer the next print dialog gets.
    void queuePrintAnswer(PrintAnswer answer) { print_answers_.push_back(std::move(answer)); }
    // With real dialogs forbidden, an unanswered message box is answered
    // with OK and an unanswered print dialog is cancelled.
    void forbidRealDialogs(bool forbid) { forbid_real_ = forbid; }

    int message(WindowSystem& ws, const MessageRequest& request)
    {
        messages_.push_back(request);
        if (!message_answers_.empty()) {
            int answer = message_answers_.front();
            message_answers_.pop_front();
            return answer;
        }
        return forbid_real_ ? 1 : ws.showMessage(request);
    }

    PrintAnswer print(WindowSystem& ws, const std::string& document_name)
    {
        ++print_dialogs_;
        if (!print_answers_.empty()) {
            PrintAnswer answer = print_answers_.front();
            print_answers_.pop_front();
            return answer;
        }
        if (forbid_real_) return PrintAnswer{false, {}};
        return ws.askPrint(document_name);
    }

    const std::vector<MessageRequest>& messages() const { return messages_; }
    void clearMessages() { messages_.clear(); }
    int printDialogs() const { return print_dialogs_; }

private:
    std::deque<int> message_answers_;
    std::deque<PrintAnswer> print_answers_;
    std::vector<MessageRequest> messages_;
    int print_dialogs_ = 0;
    bool forbid_real_ = false;
};

} // namespace gr
