#pragma once

#include <type_traits>

#include "RoutineRef.h"
#include "SEModule_base.h"

// Turns a member routine of a module class, `void Module::routine()`, into a
// RoutineRef for setProcessRoutine and scheduleRoutine:
//
//     setProcessRoutine(memberRoutine<&Module::process>());
//
// The reference names a cdecl function generated for that one member, which
// takes the object the host or the event hands it and runs the member on it.
// The object must be of the member's class: use the reference only on
// instances of that class.

namespace member_routine_detail {

template <class Member>
struct MemberClass;

template <class Class>
struct MemberClass<void (Class::*)()> {
    using Type = Class;
};

template <class Class>
struct MemberClass<void (Class::*)() noexcept> {
    using Type = Class;
};

template <auto Member>
using ClassOf = typename MemberClass<decltype(Member)>::Type;

// The code the RoutineRef names: a plain cdecl function of the object.
template <auto Member>
void QK_CDECL callMember(SEModule_base* object) {
    // static_cast adjusts the address when the class has further bases.
    (static_cast<ClassOf<Member>*>(object)->*Member)();
}

}  // namespace member_routine_detail

template <auto Member>
constexpr RoutineRef memberRoutine() {
    static_assert(std::is_base_of_v<SEModule_base, member_routine_detail::ClassOf<Member>>,
                  "a routine is a member of a DSP module class");
    return RoutineRef{&member_routine_detail::callMember<Member>, 0, {0, 0}};
}
