// __chkstk: called by the compiler before a function takes more than a page of stack, with the size
// in rax. It touches each page on the way down, so that the stack's guard page grows it in order.
// Every register is preserved; the caller moves the stack pointer itself.
extern "C" __attribute__((naked)) void __chkstk() {
    __asm__ volatile(".att_syntax prefix\n"
                     "    pushq %rcx\n"
                     "    pushq %rax\n"
                     "    leaq 24(%rsp), %rcx\n"
                     "0:\n"
                     "    cmpq $0x1000, %rax\n"
                     "    jb 1f\n"
                     "    subq $0x1000, %rcx\n"
                     "    testq %rcx, (%rcx)\n"
                     "    subq $0x1000, %rax\n"
                     "    jmp 0b\n"
                     "1:\n"
                     "    subq %rax, %rcx\n"
                     "    testq %rcx, (%rcx)\n"
                     "    popq %rax\n"
                     "    popq %rcx\n"
                     "    retq\n");
}
