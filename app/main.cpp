#include "app/application.h"
#include "app/guarded_application.h"

int main(int argc, char *argv[])
{
    salvenor::ui::choosePlatform();
    salvenor::ui::GuardedApplication app{argc, argv};
    return salvenor::ui::runApplication(app);
}
