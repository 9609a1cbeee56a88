// The service program: serves the control manager as "ServiceVesperon", or installs or removes
// the service with the switches /INSTALL, /UNINSTALL and /SILENT.
#include <string>
#include <vector>

#include "service/SPVesperon.h"
#include "service/ServiceApplicationWin32.h"
#include "service/ServiceRegistration.h"

int main(int argc, char** argv) {
    TServiceApplication application;
    application.Initialize();
    application.Title = kServiceApplicationTitle;
    TServiceVesperon ServiceVesperon;
    application.CreateForm(ServiceVesperon);
    const int exitCode = application.Run(std::vector<std::string>(argv + 1, argv + argc));
    if (application.ServiceRan()) ServiceVesperon.WaitForWorkerEnd();
    return exitCode;
}
