#pragma once
// A small service layer on the Win32 service control manager: the registration of one service
// in its own process, its removal, and the dispatch of control requests to the service's events.

#include <string>
#include <vector>

// One service: its registration properties and control events. The events run on the service
// control dispatcher's threads and must return at once.
class TService {
  public:
    virtual ~TService() = default;

    std::string Name;
    std::string DisplayName;
    bool Interactive = false;
    bool AutomaticStart = false;
    bool NormalErrorSeverity = true;
    bool AllowStop = true;
    bool AllowPause = false;

    virtual void ServiceStart(bool& Started) = 0;
    virtual void ServiceStop(bool& Stopped) = 0;
    virtual void ServicePause(bool& Paused) = 0;
    virtual void ServiceContinue(bool& Continued) = 0;
    // Runs after the registration; a std::exception makes the installation fail.
    virtual void ServiceAfterInstall() = 0;
};

class TServiceApplication {
  public:
    void Initialize() {}
    std::string Title;

    // The service this program serves; it must live until Run returns.
    void CreateForm(TService& service) { m_service = &service; }

    // With "INSTALL" registers the service, with "UNINSTALL" removes it ("SILENT" beside either
    // suppresses the message boxes; every report also goes to standard error when the program has
    // one); otherwise serves the control manager until the service stops. Started by hand, it
    // says in one line how to install the service. The program's exit code: 0, or 1 on failure.
    int Run(const std::vector<std::string>& args);

    // True once the control manager has started the service in this process.
    bool ServiceRan() const { return m_serviceRan; }

  private:
    int Install(bool silent);
    int Uninstall(bool silent);
    int Dispatch(bool silent);
    void Report(const std::string& text, bool failure, bool silent);

    TService* m_service = nullptr;
    bool m_serviceRan = false;
};
