#include "cli/cli.h"

namespace qlm::cli {

std::string help_text() {
    return R"(用法：qlm5120rx-cli 命令 [参数]

QLM-5120RX 超声脉冲发射接收仪的命令行程序。与主窗口使用同一套参数规则；每次运行先读回仪器参数。

命令：
  get [--json]            读回仪器参数，每行一个，带单位；--json 输出以参数名为键的对象（值不带单位）
  set 参数名 值 [参数名 值 ...]
                          按窗口的规则设置参数：列表参数取列表中的值（单位可省），
                          gain、voltage、pw 如同输入后按回车（范围检查、按仪器步进取整、
                          重复频率与脉冲宽度互锁）。有一个值被拒绝则什么都不发送
  upload 文件.qini        导入设置文件并上传，与窗口的“导入设置”相同（13步，每步200ms）
  export 文件.qini        读回仪器参数并保存为设置文件，与窗口的“导出设置”相同
  compare 文件.qini       读回仪器参数，列出与文件不同的参数

参数名：mode（单 双）、gain（-50~60 dB）、voltage（25~400 V）、trigger（内部 外部）、
        prf（100Hz 200Hz 500Hz 1000Hz 2000Hz 5000Hz）、lpf（10MHz 30MHz）、
        pw（25~6500 ns）、hpf_unit（1kHz 1MHz）、damping（50 80 150 400）
        probe_freq（探头频率）由脉冲宽度决定，只能读取

退出状态：
  0  完成
  1  用法错误
  2  有值被拒绝（什么都没有发送）
  3  仪器无法连接
  4  compare 发现不同
  5  设置文件无法读取或写入

示例：
  qlm5120rx-cli set damping 150 prf 500Hz pw 1000
  qlm5120rx-cli get --json
)";
}

} // namespace qlm::cli
