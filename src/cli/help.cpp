#include "cli/cli.h"

#include "panel/upload.h"
#include "params/descriptor.h"

namespace qlm::cli {

namespace {

// One line a parameter: its name, then its entries or its range, from its description.
std::string parameter_lines() {
    std::string text = "参数名：\n";
    for (const Field field : kAllFields) {
        const ParamDescriptor& param = descriptor(field);
        text += "  " + std::string(field_name(param.field)) +
                std::string(12 - std::string(field_name(param.field)).size(), ' ') + param.title +
                "：";
        if (param.numeric) {
            text += std::to_string(param.numeric->min) + "~" + std::to_string(param.numeric->max) +
                    " " + param.unit;
        } else if (!param.choices.empty()) {
            for (std::size_t i = 0; i < param.choices.size(); ++i)
                text += (i ? " " : "") + list_text(field, param.choices[i].text);
        } else {
            text += "由脉冲宽度决定，只能读取：探头频率 = 500 ÷ 脉冲宽度（MHz，ns；保留两位小数）";
        }
        text += "\n";
    }
    return text;
}

// "13步，每步200ms"
std::string upload_pace() {
    return std::to_string(Upload::kSteps) + "步，每步" + std::to_string(Upload::kIntervalMs) + "ms";
}

// The SCPI command table as installed.
#ifdef _WIN32
constexpr const char* kCommandTable = "程序文件夹中的 doc\\scpi-commands.md";
#else
constexpr const char* kCommandTable = "/usr/share/doc/qlm5120rx/scpi-commands.md";
#endif

} // namespace

std::string help_text() {
    return R"(用法：qlm5120rx-cli 命令 [参数]
      qlm5120rx-cli --help | --version   显示本说明 | 显示版本

QLM-5120RX 超声脉冲发射接收仪的命令行程序。与主窗口使用同一套参数规则；每次运行先读回仪器参数。

命令：
  get [--json]            读回仪器参数，每行一个，带单位；--json 输出以参数名为键的 JSON 对象：
                          数值为国际单位制基本单位的数（Hz、s、V、dB、Ω），mode 和 trigger 为
                          英文名（single/dual、internal/external），"display" 下是显示面板的文字
  set 参数名 值 [参数名 值 ...]
                          按窗口的规则设置参数：列表参数取列表中的值（单位可省），
                          列表值也可写英文名（single、dual、internal、external、1khz、1mhz），
                          数值可带单位（5kHz、1.5us、0.2kV，不分大小写）；
                          gain、voltage、pw 如同输入后按回车（范围检查、按仪器步进取整、
                          重复频率与脉冲宽度互锁：脉冲宽度加长时先发送降低后的重复频率）。
                          有一个值被拒绝则什么都不发送
  upload 文件.qini        导入设置文件并上传，与窗口的“导入设置”相同（)" +
           upload_pace() + R"(）；
                          仪器无法接受的值不发送并在标准错误中列出
  export 文件.qini        读回仪器参数并保存为设置文件，与窗口的“导出设置”相同
  compare 文件.qini       读回仪器参数，列出与文件不同的参数
  serve [--port 端口] [--listen 地址 --allow 地址,...] [--allow-users] [--files 文件夹]
                          作为 SCPI 远程控制服务运行（TCP，默认端口 5025，只监听本机回环地址），
                          直到 Ctrl+C 或 SIGTERM；--listen 监听其他地址时只接受 --allow 列出的
                          客户端地址（可写子网，如 192.168.1.0/24）；本机的客户端只接受本用户的
                          程序，--allow-users 也接受其他用户的程序；MMEMory 文件只在 --files
                          文件夹（默认：文档文件夹）之下。
                          命令表：)" +
           std::string(kCommandTable) + R"(
  journal [--day 年-月-日] [--json]
                          列出一天的操作记录（默认今天）：时间、程序、参数、原值、新值、结果；
                          --json 原样输出记录行（JSON Lines）
  sheet 文件.pdf [--operator 文字] [--probe 文字] [--part 文字] [--expect 文件.qini]
                          读回仪器参数，写一页 A4 设置单（PDF）；--expect 时与该文件比较，
                          有不同时退出状态为 4
  --help                  显示本说明

)" + parameter_lines() +
           R"(
退出状态：
  0  完成
  1  用法错误
  2  有值被拒绝（什么都没有发送）
  3  仪器无法连接，或仪器未接收某个命令（已发送的列在输出中），或仪器被另一个程序
     占用、仪器锁文件无法使用（原因见标准错误）
  4  compare 或 sheet --expect 发现不同
  5  设置文件、设置单或操作记录文件无法读取或写入
  6  只完成了一部分：已发送的列在输出中，其余被拒绝（原因见标准错误）
  7  已完成，但标准输出无法写入
  8  serve 无法在所给的地址或端口监听
  9  已完成，但操作记录无法写入（原因见标准错误）

文件名以 - 开头时，请在它前面写 --（例如 export -- -a.qini）。

示例：
  qlm5120rx-cli set damping 150 prf 500Hz pw 1000
  qlm5120rx-cli set mode dual trigger external pw 1.5us
  qlm5120rx-cli get --json
)";
}

} // namespace qlm::cli
