// The delivery methods, each on one recording's full path, and the list the queue
// runs them from. A new method is one entry of kDeliveryMethods, its function here,
// its switch in DeliverySettings and its controls on the options page.
#pragma once
#include <cstddef>
#include <string>

#include "base/outcome.h"
#include "delivery/delivery_settings.h"
#include "delivery/smtp_client.h"
#include "win/worker_thread_win.h"

namespace vt {

// Everything a method reads, loaded when a file is delivered.
struct DeliveryConfig {
  DeliverySettings methods;
  EmailSettings email;
  FtpSettings ftp;
};
DeliveryConfig load_delivery_config();

// What a method may use of the worker running it: its stop, its waits, its messages.
struct MethodContext {
  const WorkerThread& worker;
  const StopSignal& stop;
  MailReporter& reporter;
};

struct DeliveryMethod {
  bool (*switched_on)(const DeliverySettings& methods);
  Outcome (*run)(const std::string& path, const DeliveryConfig& config, MethodContext& context);
  // Shown when the method did not end done; "%s" is the file name.
  const char* failure_text;
};
// In the order they run.
extern const DeliveryMethod kDeliveryMethods[];
extern const size_t kDeliveryMethodCount;

Outcome copy_to_mirror_folder(const std::string& path, const std::string& folder);
// Through MAPI or the SMTP client, as the settings say.
Outcome send_by_email(const std::string& path, const EmailSettings& settings, const StopSignal& stop,
                      MailReporter& reporter);
// The template with its first "%s" made the path, started hidden in a new console;
// waits for it up to an hour, or until stop.
Outcome run_external_program(const std::string& path, const std::string& command_template,
                             const WorkerThread& worker);

}  // namespace vt
